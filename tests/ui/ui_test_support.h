#pragma once

// Helpers of the desktop program's tests: fixture paths, desktop services that record what
// the windows ask instead of opening message boxes or other programs, a way to act on the
// modal dialog that a command opens, and SWF files read back.

#include <QApplication>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "swf/bits_engine.h"
#include "swf/movie_stream.h"
#include "swf/streams.h"
#include "settings/cov_settings.h"
#include "ui/desktop_services.h"

namespace pellicor::ui_test {

inline QString Fixture(const char* name) { return QStringLiteral(PELLICOR_FIXTURES_DIR "/") + name; }

// A new task on the fixture, probed as the adding dialog probes it.
inline TCovSettings Task(const char* fixture) {
    TCovSettings task;
    if (!InitTaskSettings(Fixture(fixture).toStdString(), task, kInitProbe)) qFatal("cannot probe %s", fixture);
    return task;
}

// The dialog's child control of that object name; the test ends when there is none.
template <typename T>
T& Control(QWidget& dialog, const char* name) {
    T* control = dialog.findChild<T*>(name);
    if (control == nullptr) qFatal("no control %s", name);
    return *control;
}

// Records every request; questions take the next queued answer (no when none is left).
class TRecordingServices : public ui::TDesktopServices {
public:
    TRecordingServices() { Replace(this); }
    ~TRecordingServices() override { Replace(nullptr); }

    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
    bool Ask(QWidget*, const QString& question) override {
        questions << question;
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QStringList ChooseFiles(QWidget*, const QString& filter) override {
        filters << filter;
        return chosenFiles;
    }
    bool OpenPath(const QString& path) override {
        openedPaths << path;
        return true;
    }

    QString ChooseSaveFile(QWidget*, const QString& filter, const QString&, const QString&) override {
        filters << filter;
        return chosenSaveFile;
    }
    QString ChooseOpenFile(QWidget*, const QString& filter, const QString&) override {
        filters << filter;
        return chosenOpenFile;
    }
    QColor ChooseColor(QWidget*, const QColor&) override { return chosenColor; }
    bool ChooseFont(QWidget*, QFont& font) override {
        if (chosenFontFamily.isEmpty()) return false;
        font.setFamily(chosenFontFamily);
        font.setPointSize(chosenFontSize);
        return true;
    }
    bool OpenAddress(const QString& address) override {
        openedPaths << address;
        return true;
    }

    QString chosenSaveFile;
    QString chosenOpenFile;
    QColor chosenColor;
    QString chosenFontFamily;
    int chosenFontSize = 12;
    QStringList messages;
    QStringList questions;
    std::deque<bool> answers;
    QStringList filters;
    QStringList chosenFiles;
    QStringList openedPaths;
};

// Runs `act` on the first modal dialog of type T that opens (polled every 20 ms while the
// command that opens it runs its own event loop); `act` returns true once it is done.
template <typename T>
void WhenModal(std::function<bool(T&)> act) {
    // Owned by the application, so a timer whose dialog never came is freed at the end.
    auto* timer = new QTimer(QApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog != nullptr && act(*dialog)) timer->deleteLater();
    });
    timer->start(20);
}

// A converted movie read back: its header, and whether its tags walk cleanly to an End tag
// that closes the file, counting the ShowFrame tags on the way.
struct TMovieCheck {
    bool wellFormed = false;
    std::uint16_t headerFrames = 0;
    int shownFrames = 0;
};

inline TMovieCheck CheckMovie(const std::string& path) {
    TMovieCheck check;
    try {
        TMemoryStream raw;
        raw.LoadFromFile(path);
        TMemoryStream plain;
        raw.Seek(0);
        DecompressSWF(raw, plain);
        plain.Seek(0);
        TBitsEngine engine(plain);
        const TSWFHeader header = ReadSWFHeader(engine);
        check.headerFrames = header.FrameCount;
        const std::vector<std::uint8_t>& data = plain.Bytes();
        std::size_t at = header.HeaderSize;
        while (at + 2 <= data.size()) {
            const unsigned word = data[at] | (data[at + 1] << 8);
            at += 2;
            std::uint64_t length = word & 63;
            if (length == 63) {
                if (at + 4 > data.size()) return check;
                length = data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) | (std::uint64_t(data[at + 3]) << 24);
                at += 4;
            }
            if (length > data.size() - at) return check;
            at += length;
            if ((word >> 6) == 1) ++check.shownFrames;
            if ((word >> 6) == 0) {
                check.wellFormed = at == data.size() && check.shownFrames == check.headerFrames;
                return check;
            }
        }
    } catch (const std::exception&) {
    }
    return check;
}

}  // namespace pellicor::ui_test
