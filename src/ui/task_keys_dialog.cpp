#include "ui/task_keys_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "settings/task_commands.h"

namespace pellicor::ui {

TTaskKeysDialog::TTaskKeysDialog(const TTaskList& tasks, std::size_t index, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Settings"));
    resize(560, 480);
    const TCovSettings& task = tasks.Settings(index);
    auto* note = new QLabel(
        QStringLiteral("The settings of %1, as the task list file keeps them. To change one, use "
                       "\"pellicor-cli tasks set %2 KEY=VALUE\".")
            .arg(QString::fromStdString(task.sourceInfo.srcFilename))
            .arg(index),
        this);
    note->setWordWrap(true);
    auto* keys = new QPlainTextEdit(this);
    keys->setObjectName("edtKeys");
    keys->setReadOnly(true);
    keys->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    keys->setPlainText(QString::fromStdString(FormatTaskSections(tasks, index)));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(keys, 1);
    layout->addWidget(buttons);
}

}  // namespace pellicor::ui
