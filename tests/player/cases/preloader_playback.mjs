// The default preloader and playback controls, and a playback movie written by another
// program (ffmpeg's SWF output), merged into converted movies on a 320 x 240 stage.
import path from "node:path";
import { meanColour, meanDifference } from "../png.mjs";

// The clip (160 x 120) sits centred; the controls (200 x 30 at 50 %) at the bottom centre:
// play, pause and stop are 24-pixel squares from x = 63, 90 and 117 at y = 210.
const PLAY = [75, 222], PAUSE = [102, 222], STOP = [129, 222];
const VIDEO = { x: 80, y: 60, width: 160, height: 120 };

export default async function (t) {
  const source = t.fixture("clip.mp4");
  const size = ["--size", "320x240"];

  // The preloader on its own: nothing to wait for, so its script shows 100 % at once: the
  // bar (drawn at zero width) filled blue, white digits on the dark panel.
  // The build stages the default movies in its resources folder, laid out as installed.
  const resources = path.join(path.dirname(process.env.PELLICOR_CLI), "share", "pellicor");
  const alone = await t.play(path.join(resources, "preloader", "preloader.swf"));
  await alone.at(500);
  const panel = await alone.screenshot();
  const bar = meanColour(panel, { x: 30, y: 68, width: 340, height: 12 });
  t.check(bar[2] > 180 && bar[0] < 120, `the preloader's bar is full (${bar.map((v) => v.toFixed(0))})`);
  const digits = meanColour(panel, { x: 142, y: 12, width: 120, height: 40 });
  const background = meanColour(panel, { x: 4, y: 4, width: 100, height: 40 });
  t.check(background[0] < 70 && digits[0] > background[0] + 40,
    `the percentage shows in light digits on the dark panel (${digits[0].toFixed(0)} over ${background[0].toFixed(0)})`);
  await alone.close();

  // Merged: a local file is loaded at once, so the preloader lets the video play and goes.
  const preloaded = await t.play(t.convert(source, [...size, "--set", "destIsPreloader=1"], "preloader.swf"));
  let moving = 0;
  await t.waitFor(async () => (moving = await t.movement(preloaded, { from: preloaded.elapsed() + 100, count: 2, every: 300 })) > 1, 15000, 0);
  t.check(moving > 1, `the video plays after the preloader (${moving.toFixed(1)})`);
  // Where the panel was, the video now moves.
  const middle = { x: 90, y: 100, width: 140, height: 30 };
  // A busy machine may hold the player for a moment, so a few pairs of pictures are tried.
  let middleMoves = 0;
  await t.waitFor(async () => {
    const shot1 = await preloaded.screenshot();
    await preloaded.at(preloaded.elapsed() + 400);
    const shot2 = await preloaded.screenshot();
    return (middleMoves = meanDifference(shot1, shot2, middle)) > 1;
  }, 10000, 0);
  t.check(middleMoves > 1, `the preloader's panel is gone from the middle of the stage (${middleMoves.toFixed(1)})`);
  await preloaded.close();

  // The playback controls: pause holds the picture, play moves it again, stop goes back to
  // the first video frame and holds it there.
  const controlled = await t.play(t.convert(source, [...size, "--set", "destIsPlayback=1"], "playback.swf"));
  const playing = await t.movement(controlled, { from: 300, count: 3, every: 300 });
  t.check(playing > 1, `the movie plays under the controls (${playing.toFixed(1)})`);
  await controlled.click(...PAUSE);
  const paused = await t.movement(controlled, { from: controlled.elapsed() + 300, count: 3, every: 400 });
  t.check(paused < 0.5, `pause holds the picture (${paused.toFixed(2)})`);
  await controlled.click(...PLAY);
  const resumed = await t.movement(controlled, { from: controlled.elapsed() + 300, count: 3, every: 300 });
  t.check(resumed > 1, `play moves it again (${resumed.toFixed(1)})`);
  await controlled.click(...STOP);
  const stopped = await t.movement(controlled, { from: controlled.elapsed() + 300, count: 3, every: 400 });
  t.check(stopped < 0.5, `stop holds the picture (${stopped.toFixed(2)})`);
  const atStop = await controlled.screenshot();
  const [frame0] = t.decodeFrames(source, 160, 120);
  await controlled.click(...PLAY);
  await controlled.at(controlled.elapsed() + 800);
  const later = await controlled.screenshot();
  t.check(meanDifference(atStop, later, VIDEO) > 2, "after stop, play moves on again");
  await controlled.click(...STOP);
  await controlled.at(controlled.elapsed() + 600);
  const again = await controlled.screenshot();
  const sameFrame = meanDifference(atStop, again, VIDEO);
  t.check(sameFrame < 1, `stop always returns to the same frame (${sameFrame.toFixed(2)})`);
  if (frame0) {
    const crop = { width: 160, height: 120, pixels: new Uint8Array(160 * 120 * 4) };
    for (let y = 0; y < 120; ++y)
      for (let x = 0; x < 160; ++x)
        for (let c = 0; c < 4; ++c) crop.pixels[(y * 160 + x) * 4 + c] = atStop.pixels[((y + 60) * 320 + x + 80) * 4 + c];
    const toFirst = meanDifference(crop, frame0, { x: 0, y: 0, width: 160, height: 100 });
    t.check(toFirst < 12, `stop shows the first video frame (difference ${toFirst.toFixed(1)})`);
  }
  await controlled.close();

  // ffmpeg's SWF output as the playback movie: merged as a sprite, the result plays (the
  // harness fails the case on any player error).
  const foreign = await t.play(t.convert(source, [...size, "--set", "destIsPlayback=1", "--set",
    `destPlayback=${t.fixture("ffmpeg-jpeg.swf")}`, "--set", "destPlaybackScaleX=100", "--set", "destPlaybackScaleY=100"],
    "foreign.swf"));
  const foreignMoves = await t.movement(foreign, { from: 300, count: 3, every: 300 });
  t.check(foreignMoves > 1, `a movie with ffmpeg's SWF merged in plays (${foreignMoves.toFixed(1)})`);
}
