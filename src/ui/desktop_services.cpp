#include "ui/desktop_services.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace pellicor::ui {

namespace {

TDesktopServices* Replacement = nullptr;

}  // namespace

void TDesktopServices::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Pellicor"), text);
}

bool TDesktopServices::Ask(QWidget* parent, const QString& question) {
    return QMessageBox::question(parent, QStringLiteral("Pellicor"), question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QStringList TDesktopServices::ChooseFiles(QWidget* parent, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, QStringLiteral("Add"), QString(), filter);
}

bool TDesktopServices::OpenPath(const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

TDesktopServices& TDesktopServices::Current() {
    static TDesktopServices qtServices;
    return Replacement != nullptr ? *Replacement : qtServices;
}

void TDesktopServices::Replace(TDesktopServices* services) { Replacement = services; }

}  // namespace pellicor::ui
