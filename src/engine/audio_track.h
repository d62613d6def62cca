#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <string>
#include <thread>

#include "engine/pass_settings.h"

namespace pellicor {

// The movie's sound. Called by ConvertTask after the end section is prepared and before the
// frame stage, with context.movie created. Only when context.isAudio: chooses the audio file
// (the replacement file, or the source's audio range extracted into context.tempAudioFile,
// optionally copied beside the movie), and loads it into the movie's StreamSound; the frame
// stage then writes the sound stream head and one block per output frame. A failed load
// switches the movie's sound off (no stream sound), and so does a file without sound data.
//
// A replacement file that SWF cannot carry as it is (a sample rate other than 5512, 11025,
// 22050 or 44100 Hz, MPEG audio other than Layer III, a wave that is not 8- or 16-bit PCM,
// or a format the wave/MP3 reader does not know) would play at the wrong speed or as noise:
// its sound goes through the same decoding and encoding as the source's audio instead, at
// the task's audio settings, one block per output frame from its start.
//
// context.tempAudioFile is filled (TempAudioFileName) when empty. The temporary file is
// removed before BuildAudioTrack returns or throws: the movie's sound keeps it open and
// reads it until the movie is freed.
void BuildAudioTrack(TPassSettings& context, TProgress* progress);

// The movie's sound as BuildAudioTrack makes it, the decoding and encoding into the
// temporary file (the long part) optionally on a thread of its own, beside the frame stage.
// What needs the movie or the progress is done on the calling thread: the choice of the
// sound and the checks of a replacement file here, the loading into the movie's stream sound
// in Attach. The movie's bytes are the same either way.
//
// With the thread, the stage line is announced here and the sound gives no progress. Paused
// holds it. A stop (Converting cleared) met while Attach waits ends its loop once it holds a
// block for every frame of the movie, so a stopped movie has its sound to its last frame
// however far behind the frames the sound was.
// How a sound made beside the frame stage ends early: abandoned, or after a stop once it
// holds `blocks` blocks (-1 until the frame stage knows how many it needs).
struct TSoundEarlyEnd {
    std::atomic<bool> cancelled{false};
    std::atomic<std::int64_t> blocks{-1};
};

class TAudioTrackTask {
public:
    // Without `concurrent`, everything is done here and the sound is attached on return.
    // Throws what BuildAudioTrack throws (with the thread, Attach throws it instead).
    TAudioTrackTask(TPassSettings& context, TProgress* progress, bool concurrent);
    // A sound still being made is abandoned and its temporary file removed.
    ~TAudioTrackTask();
    TAudioTrackTask(const TAudioTrackTask&) = delete;
    TAudioTrackTask& operator=(const TAudioTrackTask&) = delete;

    // Attach would not wait: the sound is made, or there is none to wait for.
    bool Ready() const;
    // Waits for the sound and loads it into the movie (a failure as BuildAudioTrack reports
    // it); an exception of the thread is thrown here. Only the first call does anything.
    // `framesIfStopped`: the frames the movie will have should the run be stopped (a block
    // each).
    void Attach(std::int64_t framesIfStopped = 0);

private:
    enum class TWork { None, Extract, EncodeReplacement };

    // Chooses the work; false when nothing is left to make (no sound, or it is attached).
    bool Plan();
    // `beside`: made on the thread, beside the frame stage (no progress then).
    bool Produce(TProgress* progress, const TSoundEarlyEnd* beside);
    // After a stop: the sound needs no more than this many blocks. Only the first call counts.
    void EndAfterBlocks(std::int64_t blocks);

    TPassSettings& context_;
    TProgress* progress_;
    TWork work_ = TWork::None;
    bool pending_ = false;  // a sound is chosen and not yet attached
    bool produced_ = false;
    std::atomic<bool> done_{false};
    TSoundEarlyEnd earlyEnd_;
    std::exception_ptr error_;
    std::thread thread_;
};

// Writes the source's audio for the frame range into context.tempAudioFile, one block per
// output frame (the "ExtractingAudio" stage). True when the loop ran to its end or was
// stopped. The temporary file is removed when an exception leaves.
bool ExtractAudio(TPassSettings& context, TProgress* progress);

// The temporary audio file of a task converted outside the batch driver: "atemp.wav" for
// destAudioFormat 0, else "atemp.mp3", in a folder of this process's own inside the temp folder.
std::string TempAudioFileName(std::int32_t destAudioFormat);

// Removes context.tempAudioFile when it names a file; errors are ignored.
void RemoveTempAudioFile(const TPassSettings& context) noexcept;

// Removes the task's temporary audio file when the scope ends, also on an exception or a
// stop (for the batch driver around ConvertTask).
class TTempAudioFileGuard {
public:
    explicit TTempAudioFileGuard(const TPassSettings& context) : context_(context) {}
    ~TTempAudioFileGuard() { RemoveTempAudioFile(context_); }
    TTempAudioFileGuard(const TTempAudioFileGuard&) = delete;
    TTempAudioFileGuard& operator=(const TTempAudioFileGuard&) = delete;

private:
    const TPassSettings& context_;
};

}  // namespace pellicor
