#include "engine/audio_track.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <exception>
#include <system_error>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/audio_mp3_writer.h"
#include "media/mcl.h"
#include "movie/flash_movie.h"
#include "movie/flash_sound.h"
#include "movie/mpeg_audio.h"
#include "movie/sound_reader.h"
#include "settings/app_paths.h"
#include "util/file_access.h"
#include "util/private_folder.h"
#include "util/numbers.h"
#include "util/temporary_file.h"

namespace pellicor {

namespace {

namespace fs = std::filesystem;

// The rate of the wave file by destAudioFrequency.
int WaveSampleRate(std::int32_t frequencyChoice) {
    switch (frequencyChoice) {
        case 0: return 11025;
        case 1: return 22050;
        default: return 44100;
    }
}

bool IsSWFSampleRate(std::uint32_t rate) {
    return rate == 5512 || rate == 5513 || rate == 11025 || rate == 22050 || rate == 44100;
}

// Whether the stream sound can carry the file's data as it is: MPEG 1/2/2.5 Layer III or 8-
// or 16-bit PCM in one or two channels, at a rate SWF knows.
bool CanStreamAsItIs(const std::string& path) {
    try {
        const TWaveReader reader(path);
        switch (reader.FormatTag) {
            case TWaveReader::kFormatPCM:
                return IsSWFSampleRate(reader.SampleRate) && (reader.BitsPerSample == 8 || reader.BitsPerSample == 16) &&
                       (reader.Channels == 1 || reader.Channels == 2);
            case TWaveReader::kFormatMPEGLayer3:
            case TWaveReader::kFormatMP3File: {
                TMPEGaudio mpeg;
                return mpeg.ReadFromFile(path) && mpeg.Frame.Layer == TMPEGFrameHeader::kLayerIII &&
                       IsSWFSampleRate(reader.SampleRate);
            }
            default: return false;
        }
    } catch (const ESoundError&) {
        return false;
    }
}

// Where the sound blocks of a task go: the wave writer of the media layer (format 0: mono
// 8-bit at the chosen rate) or the MP3 writer (format 1: the bitrate choice's settings).
// Any other format writes nothing.
class TAudioBlockSink {
public:
    explicit TAudioBlockSink(const TPassSettings& context) {
        if (context.destAudioFormat == 0) {
            wave_ = MclCreate();
            MclAudioSetFileName(*wave_, context.tempAudioFile);
            MclAudioSetFileFormat(*wave_, kMclFileFormatWave);
            MclAudioSetCodec(*wave_, kMclCodecPcm);
            MclAudioSetFormat(*wave_, WaveSampleRate(context.destAudioFrequency), 1, 8);
        } else if (context.destAudioFormat == 1) {
            mp3_ = std::make_unique<TMp3FileWriter>(context.tempAudioFile, Mp3SettingsFor(context.destAudioBitrate));
        }
    }

    void Write(TMclSound& block) {
        if (wave_) MclWriteSound(*wave_, block);
        if (!mp3_) return;
        int rate = 0, channels = 0, bits = 0, size = 0;
        const std::uint8_t* data = nullptr;
        MclSndGetInfo(block, rate, channels, bits, size, data);
        // The encoder takes 16-bit samples, in the layout of the first block.
        const bool otherLayout = mp3_->InputRate() != 0 && (rate != mp3_->InputRate() || channels != mp3_->InputChannels());
        if (bits != 16 || otherLayout) {
            MclSndResample(block, otherLayout ? mp3_->InputRate() : rate, otherLayout ? mp3_->InputChannels() : channels, 16);
            MclSndGetInfo(block, rate, channels, bits, size, data);
        }
        samples_.resize(static_cast<std::size_t>(size) / 2);
        std::memcpy(samples_.data(), data, samples_.size() * 2);
        if (channels > 0 && !samples_.empty()) mp3_->Write(samples_.data(), samples_.size() / channels, rate, channels);
    }

    // Errors while closing are ignored: the file is attached with what it holds.
    void Close() noexcept {
        try {
            if (wave_) MclFree(wave_);
            if (mp3_) mp3_->Close();
        } catch (...) {
        }
        mp3_.reset();
    }

private:
    TMclWriteHandle wave_;
    std::unique_ptr<TMp3FileWriter> mp3_;
    std::vector<std::int16_t> samples_;
};

// The loop of a sound made beside the frame stage, with `written` blocks made: it ends when
// the sound is abandoned and, after a stop, once it holds as many blocks as the movie has
// frames (told once the frame stage has stopped), so that a stopped movie keeps its sound to
// its last frame. Paused holds it.
bool ContinueBesideFrames(const TSoundEarlyEnd& end, std::int64_t written) {
    for (;;) {
        if (end.cancelled) return false;
        if (const std::int64_t wanted = end.blocks; wanted >= 0) return written < wanted;
        if (!Paused || !Converting) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Writes one block of samplesPerBlock samples from the reader for every output frame of the
// frame range, picking output frames as the frame stage does, from firstSample on; a block
// that would start at or after endSample (when not negative) ends the writing, and so does a
// stop; beside the frame stage (`beside` given), `beside` says when to end instead.
void WriteBlocks(TPassSettings& context, TProgress* progress, TMclReader& reader, std::int64_t firstSample,
                 std::int64_t samplesPerBlock, std::int64_t endSample, const TSoundEarlyEnd* beside) {
    const std::int32_t start = context.startIndex, end = context.endIndex;
    if (progress) {
        progress->SetPosition(0);
        progress->SetMaximum(std::abs(std::int64_t{end} - start));
    }
    TAudioBlockSink sink(context);
    TMclSoundHandle block = MclSndCreate();
    const bool stepping = context.destFrameRate > 0 && samplesPerBlock > 0 && samplesPerBlock <= INT32_MAX;
    const double step = stepping ? RoundHalfEven(context.srcFrameRate) / context.destFrameRate : 0;
    double nextAt = start;
    std::int64_t written = 0;
    for (std::int32_t i = start; stepping && i <= end; ++i) {
        if (!(beside ? ContinueBesideFrames(*beside, written) : ContinueLoop(progress))) break;
        if (i >= nextAt) {
            if (endSample >= 0 && firstSample >= endSample) break;
            MclReadSound(reader, firstSample, static_cast<int>(samplesPerBlock), *block);
            sink.Write(*block);
            ++written;
            nextAt += step;
            firstSample += samplesPerBlock;
        }
        if (progress) progress->SetPosition(std::int64_t{i} - start + 1);
    }
    sink.Close();
    MclSndFree(block);
}

// Decodes the replacement file and encodes it into the temporary file at the task's audio
// settings. False when the file has no sound the media layer can decode. Without a progress,
// the stage is not announced (the caller has done it).
bool EncodeReplacement(TPassSettings& context, TProgress* progress, const TSoundEarlyEnd* beside) {
    const std::string& path = context.destAudioReplacedFile;
    TMclFileInfo info;
    TMclReadHandle reader;
    try {
        MclGetFileInfo(path, info);
        if (!info.aExists || !info.aSupported || info.aFreq <= 0 || info.aLen <= 0) return false;
        reader = MclReadOpen(path);
    } catch (const EMediaError&) {
        return false;
    }
    LogStage(progress, kStageExtractingAudio, kMessageExtractingAudio, path);
    const std::int64_t samplesPerBlock =
        context.destFrameRate > 0 ? RoundHalfEven(info.aFreq / context.destFrameRate) : 0;
    WriteBlocks(context, progress, *reader, 0, samplesPerBlock, info.aLen, beside);
    MclReadClose(reader);
    return true;
}

void PrepareTempAudioFile(TPassSettings& context) {
    if (context.tempAudioFile.empty()) {
        context.tempAudioFile = TempAudioFileName(context.destAudioFormat);
    } else {
        fs::create_directories(fs::path(context.tempAudioFile).parent_path());
    }
}

// The copy beside the movie: destPath with the audio file's extension, written under a
// temporary name now and renamed over that name after the movie (ConvertTask).
void CopyBesideMovie(TPassSettings& context) {
    const fs::path target = fs::path(context.destPath).replace_extension(fs::path(context.audioFile).extension());
    auto copy = std::make_unique<TTemporaryFile>(target.string());
    fs::copy_file(context.audioFile, copy->Path(), fs::copy_options::overwrite_existing);
    context.extraOutputs.push_back(std::move(copy));
}

// Loads the audio file into the movie's stream sound; a file that cannot be loaded or holds
// no sound data switches the movie's sound off. Returns why it could not be loaded, empty
// when it was.
std::string AttachSound(TPassSettings& context) {
    if (!FileExists(context.audioFile)) return "there is no sound file";
    try {
        TFlashSound& sound = context.movie->StreamSound();
        sound.LoadFromFile(context.audioFile);
        if (sound.SampleRate != 0 && sound.DataSize != 0) return {};
        context.movie->SetStreamSound(nullptr);
        return "it holds no sound data";
    } catch (const std::exception& error) {
        context.movie->SetStreamSound(nullptr);
        return error.what();
    }
}

// Why a replacement sound cannot be used at all (it is missing, unreadable or empty), or
// nothing.
std::string UnreadableReason(const std::string& path) {
    if (std::string reason = UnreadableFileReason(path); !reason.empty()) return reason;
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return "it is not a file";
    if (fs::file_size(path, error) == 0) return "the file is empty";
    return {};
}

// The task asked for a replacement sound that the movie cannot get: the movie is made
// without sound, and the task fails with this reason (in the stage log too).
void FailReplacement(TPassSettings& context, TProgress* progress, const std::string& reason) {
    context.failure = "The replacement sound \"" + context.destAudioReplacedFile + "\" cannot be used: " + reason;
    if (progress) progress->AddLogLine(context.failure);
}

// The source's audio range into the temporary file (ExtractAudio without the stage line).
// The temporary file is removed when an exception leaves.
bool ExtractBlocks(TPassSettings& context, TProgress* progress, const TSoundEarlyEnd* beside) {
    if (!context.readHandle) return false;
    try {
        const double rate = context.audioSampleRate;
        const std::int64_t samplesPerBlock = context.destFrameRate > 0 ? RoundHalfEven(rate / context.destFrameRate) : 0;
        const std::int64_t firstSample =
            context.srcFrameRate > 0 ? RoundHalfEven(context.startIndex * rate / context.srcFrameRate) : 0;
        WriteBlocks(context, progress, *context.readHandle, firstSample, samplesPerBlock, -1, beside);
    } catch (...) {
        RemoveTempAudioFile(context);
        throw;
    }
    return true;
}

}  // namespace

std::string TempAudioFileName(std::int32_t destAudioFormat) {
    // A conversion started without a folder of its own (not through the batch driver) uses
    // one private folder for the whole process, removed when the process ends.
    static const TPrivateTempFolder processFolder(TempFolder(), 0);
    return processFolder.Path() + (destAudioFormat == 0 ? "atemp.wav" : "atemp.mp3");
}

void RemoveTempAudioFile(const TPassSettings& context) noexcept {
    if (context.tempAudioFile.empty()) return;
    std::error_code ignored;
    fs::remove(context.tempAudioFile, ignored);
}

bool ExtractAudio(TPassSettings& context, TProgress* progress) {
    LogStage(progress, kStageExtractingAudio, kMessageExtractingAudio, context.srcPath);
    return ExtractBlocks(context, progress, nullptr);
}

TAudioTrackTask::TAudioTrackTask(TPassSettings& context, TProgress* progress, bool concurrent)
    : context_(context), progress_(progress) {
    if (!Plan()) return;
    if (concurrent) {
        // The stage is announced here: the thread has no progress to report to.
        LogStage(progress_, kStageExtractingAudio, kMessageExtractingAudio,
                 work_ == TWork::Extract ? context_.srcPath : context_.destAudioReplacedFile);
        try {
            thread_ = std::thread([this] {
                try {
                    produced_ = Produce(nullptr, &earlyEnd_);
                } catch (...) {
                    error_ = std::current_exception();
                }
                done_ = true;
            });
            return;
        } catch (const std::system_error&) {
            // No thread to be had: the sound is made here, as below.
        }
    }
    try {
        produced_ = Produce(progress_, nullptr);
    } catch (...) {
        RemoveTempAudioFile(context_);
        throw;
    }
    done_ = true;
    Attach();
}

TAudioTrackTask::~TAudioTrackTask() {
    if (thread_.joinable()) {
        earlyEnd_.cancelled = true;
        thread_.join();
    }
    if (pending_) RemoveTempAudioFile(context_);
}

bool TAudioTrackTask::Plan() {
    TPassSettings& context = context_;
    if (!context.movie) return false;
    const bool replaced = context.destIsAudioReplaced && (context.isAudio || context.destIsAudioIncluded);
    if (!context.isAudio && !replaced) return false;
    context.audioFile.clear();
    if (replaced) {
        const std::string& replacement = context.destAudioReplacedFile;
        if (const std::string reason = UnreadableReason(replacement); !reason.empty()) {
            FailReplacement(context, progress_, reason);
            return false;
        }
        if (CanStreamAsItIs(replacement)) {
            context.audioFile = replacement;
            work_ = TWork::None;
            pending_ = true;
            done_ = true;
            Attach();
            return false;
        }
        work_ = TWork::EncodeReplacement;
    } else {
        if (context.isGif) return false;
        work_ = TWork::Extract;
    }
    PrepareTempAudioFile(context);
    pending_ = true;
    return true;
}

bool TAudioTrackTask::Produce(TProgress* progress, const TSoundEarlyEnd* beside) {
    if (work_ == TWork::Extract) {
        LogStage(progress, kStageExtractingAudio, kMessageExtractingAudio, context_.srcPath);
        return ExtractBlocks(context_, progress, beside);
    }
    return EncodeReplacement(context_, progress, beside);
}

bool TAudioTrackTask::Ready() const { return !pending_ || done_; }

void TAudioTrackTask::EndAfterBlocks(std::int64_t blocks) {
    std::int64_t unknown = -1;
    earlyEnd_.blocks.compare_exchange_strong(unknown, std::max<std::int64_t>(blocks, 0));
}

void TAudioTrackTask::Attach(std::int64_t framesIfStopped) {
    if (!pending_) return;
    pending_ = false;
    if (thread_.joinable()) {
        // The front end's events go on being processed while waiting: a paused sound waits for
        // the Resume that only they can bring.
        while (!done_) {
            if (progress_) progress_->Pump();
            if (!Converting) EndAfterBlocks(framesIfStopped);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        thread_.join();
    }
    // The movie's sound keeps the file open and reads it until the movie is freed.
    const TTempAudioFileGuard removeTemporary(context_);
    if (error_) std::rethrow_exception(error_);
    TPassSettings& context = context_;
    switch (work_) {
        case TWork::Extract:
            if (produced_) context.audioFile = context.tempAudioFile;
            if (context.destIsAudioExtracted && FileExists(context.audioFile)) CopyBesideMovie(context);
            AttachSound(context);
            return;
        case TWork::EncodeReplacement:
            if (!produced_) {
                FailReplacement(context, progress_, "it holds no sound that can be decoded");
                return;
            }
            context.audioFile = context.tempAudioFile;
            break;
        case TWork::None: break;
    }
    if (const std::string reason = AttachSound(context); !reason.empty()) FailReplacement(context, progress_, reason);
}

void BuildAudioTrack(TPassSettings& context, TProgress* progress) {
    const TAudioTrackTask sequential(context, progress, false);
}

}  // namespace pellicor
