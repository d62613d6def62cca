#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "settings/app_paths.h"
#include "ui/main_frm.h"

#ifndef PELLICOR_VERSION
#error "PELLICOR_VERSION names the version the build gives the program"
#endif

namespace {

// The options the program understands; `application` is a QCoreApplication while only
// asking for help, so that no display is needed.
struct TArguments {
    QCommandLineParser parser;
    QCommandLineOption tasks{QStringLiteral("tasks"),
                             QStringLiteral("The task list file (default: the program's pellicor.ini)."),
                             QStringLiteral("FILE")};

    explicit TArguments(QCoreApplication& application) {
        parser.setApplicationDescription(
            QStringLiteral("Pellicor: converts video files and animated GIFs into SWF movies"));
        parser.addHelpOption();
        parser.addOption({QStringLiteral("version"), QStringLiteral("Print the version and quit.")});
        parser.addOption(tasks);
        parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Source files to add as tasks."),
                                     QStringLiteral("[FILE...]"));
        parser.process(application);
    }
};

bool HasArgument(int argc, char** argv, std::initializer_list<const char*> names) {
    for (int i = 1; i < argc; ++i)
        for (const char* name : names)
            if (std::strcmp(argv[i], name) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // The version and the help need no display.
    if (HasArgument(argc, argv, {"--version"})) {
        std::printf("pellicor %s\n", PELLICOR_VERSION);
        return 0;
    }
    if (HasArgument(argc, argv, {"--help", "-h", "--help-all"})) {
        QCoreApplication core(argc, argv);
        TArguments arguments(core);  // prints the help and quits
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pellicor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pellicor"));
    QApplication::setApplicationVersion(QStringLiteral(PELLICOR_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("pellicor"));

    TArguments arguments(application);
    const QCommandLineParser& parser = arguments.parser;

    const QIcon icon(QString::fromStdString(pellicor::ResourcesFolder() + "pellicor.png"));
    if (!icon.isNull()) QApplication::setWindowIcon(icon);

    const std::filesystem::path taskFile =
        parser.isSet(arguments.tasks) ? std::filesystem::path(parser.value(arguments.tasks).toStdString()) : pellicor::TaskListFile();
    pellicor::ui::TMainFrm window(taskFile);
    if (!window.Start()) return 1;
    QStringList files;
    for (const QString& file : parser.positionalArguments()) files << QFileInfo(file).absoluteFilePath();
    if (!files.isEmpty()) QMetaObject::invokeMethod(&window, [&window, files] { window.AddFiles(files); }, Qt::QueuedConnection);
    return QApplication::exec();
}
