// Every kind of movie the converter writes loads and advances: a GIF source, Flash 3+
// (version 5), compressed and not, protected, with wave and with MP3 sound.
export default async function (t) {
  const clip = t.fixture("clip.mp4");
  const kinds = [
    ["gif", t.fixture("anim.gif"), []],
    ["flash3", clip, ["--flash3", "--no-compress"]],
    ["compressed", clip, []],
    ["uncompressed", clip, ["--no-compress"]],
    ["protected", clip, ["--set", "destIsFlashProtected=1", "--set", "destFlashPassword=secret"]],
    ["wave", clip, ["--set", "destIsAudioIncluded=1", "--set", "destAudioFormat=0"]],
    ["mp3", clip, ["--set", "destIsAudioIncluded=1", "--set", "destAudioFormat=1"]],
  ];
  for (const [name, source, args] of kinds) {
    const movie = t.convert(source, args, `${name}.swf`);
    const player = await t.play(movie);
    const moved = await t.movement(player, { from: 200, count: 4, every: 200 });
    t.check(moved > 2, `the ${name} movie advances (${moved.toFixed(1)})`);
  }
}
