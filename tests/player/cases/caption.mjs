// The caption: a bold 24-pixel "Grüße, Pellicor" at BottomRight shows in the bottom-right
// corner and nowhere else, at half opacity it blends with the video, Cyrillic and Chinese
// captions draw their glyphs, and a link caption loads and opens its address on a click.
// Every movie stops at its first frame, so that the movies show the same picture.
import { meanDifference } from "../png.mjs";

const font = (size, bold) => `destFlashTextFont="DejaVu Sans",${size},${bold ? 1 : ""},,,,clYellow,1,0`;
const corner = { x: 60, y: 92, width: 100, height: 28 };  // the caption's corner of the 160 x 120 stage
const above = { x: 0, y: 0, width: 160, height: 80 };

export default async function (t) {
  const source = t.fixture("clip.mp4");
  const stopped = ["--set", "destFlashStartAction=2"];
  const caption = (lines, extra = []) => [...stopped, ...lines.flatMap((line) => ["--caption", line]),
    "--set", font(18, true), "--set", "destFlashTextPosition=6", ...extra];

  const shot = async (movie) => {
    const player = await t.play(movie);
    await player.at(600);
    const picture = await player.screenshot();
    return { player, picture };
  };

  const plain = await shot(t.convert(source, stopped, "plain.swf"));
  const opaque = await shot(t.convert(source, caption(["Grüße, ", "Pellicor"]), "caption.swf"));
  const inCorner = meanDifference(plain.picture, opaque.picture, corner);
  const elsewhere = meanDifference(plain.picture, opaque.picture, above);
  t.check(inCorner > 8, `the caption shows in the bottom-right corner (${inCorner.toFixed(1)})`);
  t.check(elsewhere < 1, `the rest of the frame is unchanged (${elsewhere.toFixed(2)})`);
  await opaque.player.at(1500);
  const later = meanDifference(opaque.picture, await opaque.player.screenshot(), corner);
  t.check(later < 1, `the caption stays (${later.toFixed(2)})`);

  const half = await shot(t.convert(source, caption(["Grüße, Pellicor"], ["--set", "destFlashTextOpacity=128"]), "half.swf"));
  const halfDifference = meanDifference(plain.picture, half.picture, corner);
  const ratio = halfDifference / inCorner;
  t.check(ratio > 0.3 && ratio < 0.7, `half opacity blends with the video (${ratio.toFixed(2)} of the opaque change)`);

  for (const [name, text] of [["cyrillic", "Привет, мир"], ["chinese", "中文字幕"]]) {
    const movie = await shot(t.convert(source, caption([text]), `${name}.swf`));
    const drawn = meanDifference(plain.picture, movie.picture, corner);
    t.check(drawn > 4, `the ${name} caption draws its glyphs (${drawn.toFixed(1)})`);
    t.check(movie.player.metadata.swfVersion === 6, `a ${name} caption makes a version 6 movie`);
  }

  const link = await shot(t.convert(source, caption(["Pellicor"], ["--set", "destIsFlashTextOpenLink=1",
    "--set", "destFlashTextOpenLinkURL=http://example.org/caption", "--set", "destFlashTextOpenLinkTarget=1"]), "link.swf"));
  await link.player.click(140, 106);
  await t.waitFor(async () => link.player.navigations.length > 0, 5000, 0);
  const opened = link.player.navigations.map((n) => n.url).join(", ");
  t.check(opened.includes("example.org/caption"), `a click on the link caption opens its address (${opened})`);
}
