// A plain movie advances and shows the source's pictures; so does the demo's movie.
import { gridDistance } from "../png.mjs";

export default async function (t) {
  const source = t.fixture("clip.mp4");
  const movie = t.convert(source);
  const player = await t.play(movie);
  t.check(player.metadata.width === 160 && player.metadata.height === 120, "the stage is 160 x 120");
  const moved = await t.movement(player);
  t.check(moved > 2, `the picture changes while the movie plays (largest mean difference ${moved.toFixed(1)})`);

  // What the player shows is one of the source's frames, as FFmpeg decodes them.
  const frames = t.decodeFrames(source, 160, 120);
  const shot = await player.screenshot();
  const nearest = Math.min(...frames.map((frame) => gridDistance(frame, shot)));
  t.check(frames.length === 50 && nearest < 12,
    `the stage shows a frame of the source (nearest of ${frames.length} frames: ${nearest.toFixed(1)} levels)`);
  await player.close();
  await demo(t);
}

async function demo(t) {
  // `make demo` converts the bundled sample with the default settings.
  const player = await t.play(t.convert(t.source("samples/sample.mp4"), [], "sample.swf"));
  const moved = await t.movement(player);
  t.check(moved > 2, `the demo movie plays (largest mean difference ${moved.toFixed(1)})`);
}
