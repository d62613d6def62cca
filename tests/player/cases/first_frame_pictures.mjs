// A first-frame picture from a BMP and from a JPEG file shows while the movie waits for a click.
import { meanColour } from "../png.mjs";

export default async function (t) {
  for (const file of ["picture.bmp", "picture.jpg"]) {
    const movie = t.convert(t.fixture("clip.mp4"), ["--set", "destFlashStartAction=1", "--set", "destIsFlashImageFrame=1",
      "--set", `destFlashImageFrameFile=${t.fixture(file)}`], file.replace(".", "-") + ".swf");
    const player = await t.play(movie);
    await player.at(500);
    const [r, g, b] = meanColour(await player.screenshot());
    t.check(Math.abs(r - 200) < 8 && Math.abs(g - 60) < 8 && Math.abs(b - 120) < 8,
      `the ${file} picture fills the stage (mean ${[r, g, b].map((v) => v.toFixed(0)).join(", ")})`);
  }
}
