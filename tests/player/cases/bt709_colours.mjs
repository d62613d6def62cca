// A source of the BT.709 matrix, as most HD files are, keeps its colours in the player: the
// stage shows one of its frames as FFmpeg turns them into RGB by the matrix they are tagged
// with, for 4:2:0 and 4:4:4 chroma. A copy of the same pictures tagged BT.601 is converted by
// that matrix instead and lands farther away: the check tells the two matrices apart.
import { execFileSync } from "node:child_process";
import path from "node:path";
import { gridDistance } from "../png.mjs";

// JPEG coding and the player's drawing leave about 8 levels; the wrong matrix about 15.
const kSameColours = 11;

async function nearestFrame(t, movie, frames) {
  const player = await t.play(movie);
  await player.at(300);
  const shot = await player.screenshot();
  await player.close();
  return Math.min(...frames.map((frame) => gridDistance(frame, shot)));
}

export default async function (t) {
  for (const name of ["clip709.mp4", "clip709-444.mp4"]) {
    const source = t.fixture(name);
    const frames = t.decodeFrames(source, 160, 120);
    const nearest = await nearestFrame(t, t.convert(source), frames);
    t.check(frames.length === 25 && nearest < kSameColours,
      `${name}: the stage shows a frame of the source in its colours (nearest: ${nearest.toFixed(1)} levels)`);
  }
  const source = t.fixture("clip709.mp4");
  const mistagged = path.join(t.folder, "tagged601.mp4");
  execFileSync("ffmpeg", ["-v", "error", "-i", source, "-c", "copy", "-bsf:v", "h264_metadata=matrix_coefficients=6", mistagged]);
  const wrong = await nearestFrame(t, t.convert(mistagged), t.decodeFrames(source, 160, 120));
  t.check(wrong > kSameColours,
    `the same pictures read as BT.601 show other colours (nearest: ${wrong.toFixed(1)} levels)`);
}
