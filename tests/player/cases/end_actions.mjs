// The end settings: a link opened in its target when the movie ends, and unloading. The
// clip lasts 2 s; a loaded machine plays it slower, so the checks wait for the end.
import { greySpread } from "../png.mjs";

export default async function (t) {
  const source = t.fixture("clip.mp4");
  const link = (target, name) => t.convert(source, ["--set", "destIsFlashEndOpenLink=1", "--set",
    `destFlashEndOpenLinkURL=http://example.com/${name}.html`, "--set", `destFlashEndOpenLinkTarget=${target}`], `${name}.swf`);
  // The unloading movie waits for a click, so its picture is seen however slow the machine
  // is; after the click it plays its 2 s and unloads.
  const unload = await t.play(t.convert(source, ["--set", "destIsFlashEndUnload=1", "--set", "destFlashStartAction=1"],
    "unload.swf"));
  let playing = 0;
  await t.waitFor(async () => (playing = greySpread(await unload.screenshot())) > 20, 10000);
  t.check(playing > 20, `the movie shows its picture before it plays (spread ${playing.toFixed(1)})`);
  await unload.click(80, 60);
  const blank = await t.play(link(1, "blank"));
  const self = await t.play(link(0, "self"));
  const top = await t.play(link(3, "top"));
  let spread = playing;
  await t.waitFor(async () => (spread = greySpread(await unload.screenshot())) < 1, 15000);
  t.check(spread < 1, `unloading empties the stage at the end (spread ${spread.toFixed(2)})`);

  for (const [player, name, target] of [[blank, "blank", "popup"], [self, "self", "self"], [top, "top", "top"]]) {
    await t.waitFor(() => player.navigations.length > 0, 15000);
    await player.page.waitForTimeout(500);  // a second opening would show by now
    const seen = player.navigations.map((n) => `${n.url} in ${n.target}`).join(", ") || "nothing";
    t.check(player.navigations.length === 1 && player.navigations[0].url === `http://example.com/${name}.html` &&
      player.navigations[0].target === target, `the end link "${name}" opens once in the ${target} (${seen})`);
  }
}
