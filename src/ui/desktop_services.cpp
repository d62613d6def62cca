#include "ui/desktop_services.h"

#include <QDesktopServices>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
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

QString TDesktopServices::ChooseSaveFile(QWidget* parent, const QString& filter, const QString& suffix,
                                         const QString& start) {
    QFileDialog dialog(parent, QStringLiteral("Save As"), start, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                 : QString();
}

QString TDesktopServices::ChooseOpenFile(QWidget* parent, const QString& filter, const QString& start) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), start, filter);
}

QColor TDesktopServices::ChooseColor(QWidget* parent, const QColor& current) {
    return QColorDialog::getColor(current, parent);
}

bool TDesktopServices::ChooseFont(QWidget* parent, QFont& font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, parent);
    if (ok) font = chosen;
    return ok;
}

bool TDesktopServices::OpenAddress(const QString& address) { return QDesktopServices::openUrl(QUrl(address)); }

TDesktopServices& TDesktopServices::Current() {
    static TDesktopServices qtServices;
    return Replacement != nullptr ? *Replacement : qtServices;
}

void TDesktopServices::Replace(TDesktopServices* services) { Replacement = services; }

}  // namespace pellicor::ui
