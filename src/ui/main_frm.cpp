#include "ui/main_frm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>
#include <system_error>

#include "batch/export_packaging.h"
#include "batch/source_text.h"
#include "settings/app_paths.h"
#include "settings/task_list_file.h"
#include "ui/add_frm.h"
#include "ui/desktop_services.h"
#include "ui/do_frm.h"
#include "ui/source_preview.h"
#include "ui/settings_frm.h"

namespace pellicor::ui {

namespace {

// The file dialog's filter as pairs of description and patterns.
constexpr const char* kAddFilter =
    "All Supported Files|*.avi;*.mpg;*.mpeg;*.mpe;*.wmv;*.asf;*.rm;*.rmvb;*.qt;*.mov;*.mp4;*.3gp;*.gif|"
    "AVI Files (*.avi)|*.avi|MPEG Fles (*.mpg;*.mpeg;*.mpe)|*.mpg;*.mpeg;*.mpe|"
    "Windows Media Video (*.wmv)|*.wmv|Advanced Streaming Format (*.asf)|*.asf|"
    "Real Media (*.rm;*.rmvb)|*.rm;*.rmvb|Quick Time (*.qt;*.mov;*.mp4)|*.qt;*.mov;*.mp4|"
    "3G Packet (*.3gp)|*.3gp|Animated GIF (*.gif)|*.gif|";

constexpr int kInformationLineCount = 11;

void ProcessPendingEvents() { QApplication::processEvents(); }

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

bool IsFile(const std::string& path) {
    std::error_code ignored;
    return !path.empty() && std::filesystem::is_regular_file(path, ignored);
}

bool IsFolder(const std::string& path) {
    std::error_code ignored;
    return !path.empty() && std::filesystem::is_directory(path, ignored);
}

}  // namespace

QString AddFileFilter() {
    // Qt reads the patterns from the parentheses of each description, separated by spaces.
    const QStringList parts = QString::fromLatin1(kAddFilter).split('|', Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const qsizetype bracket = description.indexOf(QStringLiteral(" ("));
        if (bracket >= 0) description.truncate(bracket);
        QString patterns = parts[i + 1];
        filters << description + " (" + patterns.replace(';', ' ') + ")";
    }
    return filters.join(QStringLiteral(";;"));
}

TMainFrm::TMainFrm(std::filesystem::path taskFile, QWidget* parent)
    : QMainWindow(parent), taskFile_(std::move(taskFile)) {
    setWindowTitle(QStringLiteral("Pellicor"));
    setAcceptDrops(true);
    BuildControls();
    resize(960, 600);
}

TMainFrm::~TMainFrm() { preview_->Select(nullptr); }

void TMainFrm::BuildControls() {
    taskView_ = new QTreeWidget(this);
    taskView_->setObjectName("lvwTasks");
    taskView_->setColumnCount(2);
    taskView_->setHeaderLabels({QStringLiteral("Source"), QStringLiteral("Export")});
    taskView_->setRootIsDecorated(false);
    taskView_->setSelectionMode(QAbstractItemView::SingleSelection);
    taskView_->setToolTip(QStringLiteral("Right click to show pop-up menu."));
    taskView_->setContextMenuPolicy(Qt::CustomContextMenu);
    taskView_->header()->setSectionResizeMode(QHeaderView::Stretch);
    taskView_->setAcceptDrops(false);  // drops land on the window
    connect(taskView_, &QTreeWidget::currentItemChanged, this, &TMainFrm::OnCurrentItemChanged);
    connect(taskView_, &QTreeWidget::itemChanged, this, &TMainFrm::OnItemChanged);
    connect(taskView_, &QTreeWidget::itemDoubleClicked, this, [this] { OpenSettings(); });
    connect(taskView_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popupMenu_->popup(taskView_->viewport()->mapToGlobal(at)); });

    preview_ = new TSourcePreview(this);
    auto* play = new QPushButton(QStringLiteral("Play"), this);
    auto* pause = new QPushButton(QStringLiteral("Pause"), this);
    auto* stop = new QPushButton(QStringLiteral("Stop"), this);
    auto* player = new QPushButton(QStringLiteral("Open with associated player"), this);
    play->setObjectName("btnPlay");
    pause->setObjectName("btnPausePreview");
    stop->setObjectName("btnStopPreview");
    player->setObjectName("btnOpenPlayer");
    connect(play, &QPushButton::clicked, preview_, &TSourcePreview::Play);
    connect(pause, &QPushButton::clicked, preview_, &TSourcePreview::Pause);
    connect(stop, &QPushButton::clicked, preview_, &TSourcePreview::Stop);
    connect(player, &QPushButton::clicked, this, &TMainFrm::OpenWithAssociatedPlayer);
    auto* previewButtons = new QHBoxLayout;
    for (QPushButton* button : {play, pause, stop, player}) previewButtons->addWidget(button);
    previewButtons->addStretch(1);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(preview_, 1);
    rightLayout->addLayout(previewButtons);
    rightLayout->addWidget(BuildInformationPanel());

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(taskView_, 1);
    leftLayout->addWidget(BuildListCommandRow());

    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(BuildCommandRow());
    layout->addWidget(splitter, 1);
    setCentralWidget(central);
    BuildPopupMenu();
}

QWidget* TMainFrm::BuildCommandRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char*, void (TMainFrm::*)()> commands[] = {
        {"&Add", &TMainFrm::Add},       {"&Remove", &TMainFrm::RemoveSelected},
        {"&Clear", &TMainFrm::ClearAll}, {"&Settings", &TMainFrm::OpenSettings},
        {"Help", &TMainFrm::OpenHelp},
    };
    for (const auto& [caption, command] : commands) {
        auto* button = new QPushButton(QString::fromUtf8(caption), row);
        button->setObjectName(QStringLiteral("btn") + QString::fromUtf8(caption).remove('&'));
        connect(button, &QPushButton::clicked, this, command);
        layout->addWidget(button);
    }
    auto* help = new QAction(this);
    help->setShortcut(QKeySequence::HelpContents);
    connect(help, &QAction::triggered, this, &TMainFrm::OpenHelp);
    addAction(help);
    layout->addStretch(1);
    auto* convert = new QPushButton(QStringLiteral("Con&vert"), row);
    convert->setObjectName("btnConvert");
    QFont bold = convert->font();
    bold.setBold(true);
    convert->setFont(bold);
    connect(convert, &QPushButton::clicked, this, &TMainFrm::Convert);
    layout->addWidget(convert);
    return row;
}

std::vector<TMainFrm::TCommand> TMainFrm::EntryCommands() {
    return {
        {"C&heck All", [this] { CheckAll(true); }},
        {"&Uncheck All", [this] { CheckAll(false); }},
        {"Open Export &File", [this] { OpenExportFile(); }},
        {"Open Export &Directory", [this] { OpenExportDirectory(); }},
    };
}

QWidget* TMainFrm::BuildListCommandRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const auto& [caption, command] : EntryCommands()) {
        auto* button = new QPushButton(QString::fromUtf8(caption), row);
        connect(button, &QPushButton::clicked, this, command);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    return row;
}

QWidget* TMainFrm::BuildInformationPanel() {
    auto* panel = new QWidget(this);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* video = new QGroupBox(QStringLiteral("Video"), panel);
    auto* audio = new QGroupBox(QStringLiteral("Audio"), panel);
    auto* videoLayout = new QVBoxLayout(video);
    auto* audioLayout = new QVBoxLayout(audio);
    for (int i = 0; i < kInformationLineCount; ++i) {
        auto* label = new QLabel(panel);
        label->setObjectName(QStringLiteral("labInfo%1").arg(i));
        // The file size heads the video column; the audio column starts at its format.
        (i < 6 ? videoLayout : audioLayout)->addWidget(label);
        informationLabels_.push_back(label);
    }
    audioLayout->addStretch(1);
    layout->addWidget(video);
    layout->addWidget(audio);
    return panel;
}

void TMainFrm::BuildPopupMenu() {
    popupMenu_ = new QMenu(this);
    std::vector<TCommand> commands = {
        {"&Add", [this] { Add(); }},
        {"&Remove", [this] { RemoveSelected(); }},
        {"&Clear", [this] { ClearAll(); }},
        {"&Settings", [this] { OpenSettings(); }},
    };
    for (TCommand& command : EntryCommands()) commands.push_back(std::move(command));
    for (const auto& [caption, command] : commands) {
        QAction* action = popupMenu_->addAction(QString::fromUtf8(caption));
        connect(action, &QAction::triggered, this, command);
    }
}

bool TMainFrm::Start() {
    tasks_.SetModified(false);
    try {
        EnsureTempFolder();
    } catch (const std::exception&) {
        std::string folder = TempFolder();
        if (!folder.empty() && folder.back() == '/') folder.pop_back();
        TDesktopServices::Current().ShowMessage(this, "Cannot create " + FromUtf8(folder));
        return false;
    }
    show();
    LoadTaskList();
    return true;
}

void TMainFrm::LoadTaskList() {
    try {
        LoadTasks(taskFile_, tasks_, ProcessPendingEvents);
    } catch (const std::exception& error) {
        TDesktopServices::Current().ShowMessage(
            this, "The task list " + FromUtf8(taskFile_.string()) + " cannot be read: " + FromUtf8(error.what()));
    }
    RefreshItems();
    if (!tasks_.Empty()) SelectEntry(0);
}

bool TMainFrm::SaveTaskList() {
    try {
        if (taskFile_.has_parent_path()) std::filesystem::create_directories(taskFile_.parent_path());
        SaveTasks(taskFile_, tasks_, ProcessPendingEvents);
        tasks_.SetModified(false);
        return true;
    } catch (const std::exception& error) {
        TDesktopServices::Current().ShowMessage(
            this, "The task list " + FromUtf8(taskFile_.string()) + " cannot be saved: " + FromUtf8(error.what()));
        return false;
    }
}

void TMainFrm::RefreshItems() {
    preview_->Select(nullptr);
    fillingView_ = true;
    taskView_->clear();
    fillingView_ = false;
    for (std::size_t i = 0; i < tasks_.Count(); ++i) AppendItem(i);
    ShowInformation();
}

void TMainFrm::AppendItem(std::size_t index) {
    fillingView_ = true;
    auto* item = new QTreeWidgetItem(taskView_);
    item->setText(0, FromUtf8(TaskSourceText(tasks_.Settings(index))));
    item->setText(1, FromUtf8(TaskExportText(tasks_.Settings(index))));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, tasks_.Checked(index) ? Qt::Checked : Qt::Unchecked);
    fillingView_ = false;
}

std::optional<std::size_t> TMainFrm::SelectedIndex() const {
    const QList<QTreeWidgetItem*> selected = taskView_->selectedItems();
    if (selected.isEmpty()) return std::nullopt;
    const int index = taskView_->indexOfTopLevelItem(selected.front());
    if (index < 0 || static_cast<std::size_t>(index) >= tasks_.Count()) return std::nullopt;
    return static_cast<std::size_t>(index);
}

const TCovSettings* TMainFrm::SelectedTask() const {
    const std::optional<std::size_t> index = SelectedIndex();
    return index ? &tasks_.Settings(*index) : nullptr;
}

void TMainFrm::SelectEntry(std::size_t index) {
    QTreeWidgetItem* item = taskView_->topLevelItem(static_cast<int>(index));
    if (item == nullptr) return;
    taskView_->setCurrentItem(item);
    item->setSelected(true);
    taskView_->scrollToItem(item);
    // Selecting the current entry again (after adding, or the settings dialog's OK) still
    // shows it afresh.
    OnCurrentItemChanged();
}

void TMainFrm::OnCurrentItemChanged() {
    if (fillingView_) return;
    preview_->Select(SelectedTask());
    ShowInformation();
}

void TMainFrm::ShowInformation() {
    const TCovSettings* task = SelectedTask();
    std::vector<std::string> lines;
    if (task != nullptr) lines = SourceInfoLines(task->sourceInfo);
    for (std::size_t i = 0; i < informationLabels_.size(); ++i)
        informationLabels_[i]->setText(i < lines.size() ? FromUtf8(lines[i]) : QString());
}

QStringList TMainFrm::InformationLines() const {
    QStringList lines;
    for (const QLabel* label : informationLabels_) lines << label->text();
    return lines;
}

void TMainFrm::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (fillingView_ || column != 0) return;
    const int index = taskView_->indexOfTopLevelItem(item);
    if (index < 0 || static_cast<std::size_t>(index) >= tasks_.Count()) return;
    tasks_.SetChecked(static_cast<std::size_t>(index), item->checkState(0) == Qt::Checked);
}

void TMainFrm::Add() {
    const QStringList files = TDesktopServices::Current().ChooseFiles(this, AddFileFilter());
    if (!files.isEmpty()) AddFiles(files);
}

void TMainFrm::AddFiles(const QStringList& paths) {
    if (paths.isEmpty()) return;
    TAddFrm adding(tasks_, paths, [this](std::size_t index) {
        AppendItem(index);
        SelectEntry(index);
        taskView_->setFocus();
    }, this);
    adding.exec();
}

void TMainFrm::RemoveSelected() {
    const std::optional<std::size_t> index = SelectedIndex();
    if (!index) return;
    preview_->Select(nullptr);  // the preview borrows the record that goes
    fillingView_ = true;
    delete taskView_->takeTopLevelItem(static_cast<int>(*index));
    fillingView_ = false;
    tasks_.Remove(*index);
    if (SelectedIndex()) OnCurrentItemChanged();
    else ShowInformation();
}

void TMainFrm::ClearAll() {
    if (tasks_.Empty()) return;
    if (!TDesktopServices::Current().Ask(this, QStringLiteral("Are you sure you want to clear all items?"))) return;
    preview_->Select(nullptr);
    fillingView_ = true;
    taskView_->clear();
    fillingView_ = false;
    tasks_.Clear();
    ShowInformation();
}

void TMainFrm::OpenSettings() {
    const std::optional<std::size_t> index = SelectedIndex();
    if (!index) return;
    preview_->Stop();
    TSettingsFrm dialog(this);
    dialog.Open(tasks_.Settings(*index));
    if (dialog.exec() != QDialog::Accepted) return;
    tasks_.SetModified(true);
    RefreshItems();
    SelectEntry(*index);
}

void TMainFrm::CheckAll(bool checked) {
    if (tasks_.Empty()) return;
    tasks_.SetAllChecked(checked);
    fillingView_ = true;
    for (int i = 0; i < taskView_->topLevelItemCount(); ++i)
        taskView_->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    fillingView_ = false;
}

void TMainFrm::OpenExportFile() {
    const TCovSettings* task = SelectedTask();
    if (task == nullptr) return;
    const std::string path = task->destFilepath + task->destFilename;
    if (!IsFile(path)) {
        TDesktopServices::Current().ShowMessage(this, QStringLiteral("The export file does not exist."));
        return;
    }
    TDesktopServices::Current().OpenPath(FromUtf8(path));
}

void TMainFrm::OpenExportDirectory() {
    const TCovSettings* task = SelectedTask();
    if (task == nullptr) return;
    if (!IsFolder(task->destFilepath)) {
        TDesktopServices::Current().ShowMessage(this, QStringLiteral("The export directory does not exist."));
        return;
    }
    TDesktopServices::Current().OpenPath(FromUtf8(task->destFilepath));
}

void TMainFrm::OpenWithAssociatedPlayer() {
    const TCovSettings* task = SelectedTask();
    if (task == nullptr) return;
    preview_->Stop();
    TDesktopServices::Current().OpenPath(FromUtf8(task->sourceInfo.srcFilepath + task->sourceInfo.srcFilename));
}

void TMainFrm::OpenHelp() {
    const std::string path = ResourcesFolder() + "help/index.html";
    if (!IsFile(path)) {
        TDesktopServices::Current().ShowMessage(this, "The help file " + FromUtf8(path) + " does not exist.");
        return;
    }
    TDesktopServices::Current().OpenPath(FromUtf8(path));
}

void TMainFrm::Convert() {
    preview_->Stop();
    std::string tempFolder;
    try {
        tempFolder = EnsureTempFolder();
    } catch (const std::exception& error) {
        TDesktopServices::Current().ShowMessage(this, FromUtf8(error.what()));
        return;
    }
    TDoFrm converting(tasks_, {tempFolder, ProjectorStubPath({ResourcesFolder(), ProgramFolder()})}, this);
    converting.exec();
}

void TMainFrm::closeEvent(QCloseEvent* event) {
    preview_->Select(nullptr);
    QApplication::processEvents();
    if (tasks_.Modified()) SaveTaskList();
    event->accept();
}

void TMainFrm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainFrm::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << QFileInfo(url.toLocalFile()).absoluteFilePath();
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    // The adding dialog is modal: run it once the drop has ended.
    QMetaObject::invokeMethod(this, [this, paths] { AddFiles(paths); }, Qt::QueuedConnection);
}

}  // namespace pellicor::ui
