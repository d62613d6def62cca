#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QWidget;

namespace pellicor::ui {

// What the windows ask of the desktop: message boxes, questions, the file chooser and the
// system's "open" action. The program uses the Qt implementation; tests put in their own so
// that nothing waits for a click or starts another program.
class TDesktopServices {
public:
    virtual ~TDesktopServices() = default;

    virtual void ShowMessage(QWidget* parent, const QString& text);
    // A yes/no question; true for yes.
    virtual bool Ask(QWidget* parent, const QString& question);
    // The files chosen in a multi-selection dialog (they must exist); empty when cancelled.
    virtual QStringList ChooseFiles(QWidget* parent, const QString& filter);
    // Opens a file or folder with the program the desktop associates with it; false when
    // the desktop could not.
    virtual bool OpenPath(const QString& path);
    // One file to write, with a default suffix; empty when cancelled.
    virtual QString ChooseSaveFile(QWidget* parent, const QString& filter, const QString& suffix,
                                   const QString& start);
    // One existing file to read; empty when cancelled.
    virtual QString ChooseOpenFile(QWidget* parent, const QString& filter, const QString& start);
    // A colour, preset with `current`; invalid when cancelled.
    virtual QColor ChooseColor(QWidget* parent, const QColor& current);
    // A font, preset with `current`; false when cancelled.
    virtual bool ChooseFont(QWidget* parent, QFont& font);
    // Opens an address (a web page) with the desktop's default handler.
    virtual bool OpenAddress(const QString& address);

    // The services in use (the Qt ones unless replaced); never null.
    static TDesktopServices& Current();
    // Replaces the services; null puts the Qt ones back. The caller keeps ownership.
    static void Replace(TDesktopServices* services);
};

}  // namespace pellicor::ui
