// The start settings: click to play, stop at the first frame, wait some seconds. Each movie
// is played on its own, so that its clock is not taken by the others' checks.
import { meanDifference } from "../png.mjs";

export default async function (t) {
  const source = t.fixture("clip.mp4");

  const click = await t.play(t.convert(source, ["--set", "destFlashStartAction=1"], "click.swf"));
  const clickStill = await t.movement(click, { from: 300, count: 3, every: 400 });
  t.check(clickStill < 0.5, `click to play holds still before the click (${clickStill.toFixed(2)})`);
  // A busy machine may take a moment to start playing after the click, and a click that
  // lands while the player is still busy can be lost: a user clicks again, and so do we.
  let clickMoves = 0;
  for (let attempt = 0; attempt < 3 && clickMoves <= 2; ++attempt) {
    await click.click(80, 60);
    await t.waitFor(async () => (clickMoves = await t.movement(click, { from: click.elapsed() + 300, count: 3, every: 300 })) > 2,
      5000, 0);
  }
  t.check(clickMoves > 2, `click to play advances after the click (${clickMoves.toFixed(1)})`);
  await click.close();

  const stop = await t.play(t.convert(source, ["--set", "destFlashStartAction=2"], "stop.swf"));
  const stopStill = await t.movement(stop, { from: 300, count: 3, every: 500 });
  t.check(stopStill < 0.5, `stop at the first frame holds (${stopStill.toFixed(2)})`);
  await stop.close();

  // Waiting four seconds: still at first, then moving (the wait holds from the movie's
  // start, which a loaded machine may reach a little before the harness sees it loaded).
  const wait = await t.play(t.convert(source, ["--set", "destIsFlashStartWait=1", "--set", "destFlashStartWaitSeconds=4"],
    "wait.swf"));
  await wait.at(300);
  const before = await wait.screenshot();
  await wait.at(1300);
  const stillBefore = meanDifference(before, await wait.screenshot());
  t.check(stillBefore < 0.5, `the wait holds at first (${stillBefore.toFixed(2)})`);
  let moved = 0;
  await t.waitFor(async () => (moved = await t.movement(wait, { from: wait.elapsed() + 100, count: 2, every: 300 })) > 2, 15000, 0);
  t.check(moved > 2 && wait.elapsed() > 3000, `the movie advances after the wait (${moved.toFixed(1)} at ${wait.elapsed()} ms)`);
}
