#include "ui/frmMain.h"

#include "engine/CommandLine.h"
#include "input/FileSearch.h"
#include "input/PathHelpers.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"
#include "platform/Signals.h"
#include "settings/FormatPresets.h"
#include "settings/SettingsFiles.h"
#include "ui/Announcer.h"
#include "ui/COMDLG.h"
#include "ui/DropZone.h"
#include "ui/HandleNotifier.h"
#include "ui/InputListModel.h"
#include "ui/KeyboardFocus.h"
#include "ui/LinkLabel.h"
#include "ui/Pressable.h"
#include "ui/ScaleToScreen.h"
#include "ui/ScreenFit.h"
#include "ui/WindowChrome.h"
#include "ui/frmMenu.h"
#include "ui/frmOptions.h"
#include "ui/frmPreview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <cmath>

// Resources of a static library are registered by hand, outside any namespace.
static void InitImages()
{
    Q_INIT_RESOURCE(images);
}

namespace pivora::ui {

namespace {

constexpr const char* kFeedbackAddress = "feedback@pivora.app";

constexpr int kClientWidth = 566;
constexpr int kClientHeight = 470;
constexpr int kTwipsPerPixel = 15;

QString FromNative(const std::string& text)
{
    return QFile::decodeName(QByteArray::fromStdString(text));
}

std::string ToNative(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

// Puts a control at its design place. A label keeps at least its design size but grows to
// its text, so that no caption is cut off in a font wider than the design's.
void Place(QWidget* widget, int left, int top, int width, int height = -1)
{
    if (height < 0)
        height = widget->sizeHint().height();
    if (qobject_cast<QLabel*>(widget))
        width = std::max(width, widget->sizeHint().width());
    widget->setGeometry(left, top, width, height);
}

// A toolbar button whose accessible press returns before what it opens: the commands open
// modal dialogs and menus, and an assistive technology waits for its press to return.
class ToolbarButton : public QToolButton, public Pressable
{
public:
    using QToolButton::QToolButton;
    void Press() override { click(); }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

std::string VersionText()
{
    return "Ver " PIVORA_VERSION;
}

std::unique_ptr<QObject> CloseOnShutdownRequests(frmMain& window)
{
    const pivora::platform::NativeHandle requests = pivora::platform::WatchShutdownRequests();
    if (requests == pivora::platform::kInvalidHandle)
        return nullptr;
    return WatchHandle(requests, [&window] {
        if (pivora::platform::TakeShutdownRequest())
            window.ShutdownRequested();
    });
}

frmMainSetup frmMainSetup::Defaults()
{
    namespace fs = pivora::platform;
    frmMainSetup setup;
    setup.ProgramFolder = fs::ProgramFolder();
    setup.WorkFolder = fs::WorkFolder();
    setup.LogPath = fs::JoinPath(fs::StateFolder(), "activity.log");
    setup.JournalFolder = fs::StateFolder();
    setup.CacheFolder = fs::CacheFolder();
    setup.DefaultOutputFolder = fs::DefaultOutputFolder();
    setup.TempCopiesFolder = fs::TempCopiesFolder();
    setup.SettingsFolder = fs::SettingsFolder();
    return setup;
}

frmMain::frmMain(frmMainSetup setup, QWidget* parent)
    : QMainWindow(parent), m_setup(std::move(setup)), m_copies(m_setup.TempCopiesFolder)
{
    InitImages();
    if (m_setup.Services) {
        m_services = m_setup.Services;
    } else {
        m_ownServices = std::make_unique<QtDesktopServices>(m_pump);
        m_services = m_ownServices.get();
    }
    pivora::engine::UserMessages& messages = *this;
    pivora::engine::BatchHost& host = *this;
    pivora::engine::BatchDriver::Setup driverSetup{m_setup.ProgramFolder, m_setup.WorkFolder,
                                                   m_setup.LogPath};
    driverSetup.Settings = &m_settings;
    driverSetup.JournalFolder = m_setup.JournalFolder;
    driverSetup.CacheFolder = m_setup.CacheFolder;
    driverSetup.DefaultOutputFolder = m_setup.DefaultOutputFolder;
    m_driver = std::make_unique<pivora::engine::BatchDriver>(driverSetup, m_list, host, m_pump,
                                                             messages, m_options);

    m_adder = std::make_unique<pivora::input::InputAdder>(m_list, m_copies, &m_pump);
    m_adder->onCopying = [this](bool copying) {
        ShowHintText(copying ? tr("正在准备文件...") : QString());
    };
    m_adder->onSearching = [this](bool searching) {
        ShowHintText(searching ? tr("正在搜索...") : QString());
    };

    m_outputFolderPath = pivora::settings::OutputFolderFilePath(m_setup.SettingsFolder);
    m_optionsPath =
        pivora::settings::OptionsFilePath(m_setup.ProgramFolder, m_setup.SettingsFolder);
    m_settingsPath = pivora::settings::ProgramSettingsPath(m_setup.SettingsFolder);

    KeepFocusVisible();
    BuildControls();
    BuildMenus();
    Form_Load();
}

frmMain::~frmMain()
{
    // The window's own closing below moves the focus: the watch must not see it half gone.
    disconnect(m_focusWatch);
    // The list goes with this object's members, before the children Qt deletes afterwards;
    // the model that looks at it must go first.
    delete m_model;
    m_model = nullptr;
}

void frmMain::BuildControls()
{
    auto* client = new WindowBackground(this);
    client->setObjectName(QStringLiteral("client"));
    connect(client, &WindowBackground::backgroundMoved, this, &frmMain::Form_MouseMove);
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    const std::array<QString, 6> captions{tr("添加文件"), tr("添加文件夹"), tr("移除"),
                                          tr("帮助"),     tr("设置"),       tr("退出")};
    const std::array<const char*, 6> icons{"add_file", "add_folder", "remove",
                                           "help",     "settings",   "exit"};
    // Design order along the top: add file, add folder, remove, settings, help, exit. They are
    // made in that order, which screen readers follow.
    const std::array<int, 6> leftByIndex{0, 94, 188, 376, 282, 470};
    for (const int i : {0, 1, 2, 4, 3, 5}) {
        auto* button = new ToolbarButton(client);
        button->setObjectName(QStringLiteral("CmdToolsBar%1").arg(i));
        button->setText(captions[static_cast<std::size_t>(i)]);
        button->setToolTip(captions[static_cast<std::size_t>(i)]);
        button->setIcon(ToolbarIcon(QString::fromLatin1(icons[static_cast<std::size_t>(i)])));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setGeometry(leftByIndex[static_cast<std::size_t>(i)], 0, 95, 66);
        connect(button, &QToolButton::clicked, this, [this, i] { CmdToolsBar_Click(i); });
        PressOnEnter(*button);
        CmdToolsBar[static_cast<std::size_t>(i)] = button;
    }

    Label10 = MakeLabel(client, "Label10", tr("文件列表:"));
    Place(Label10, 8, 70, 43, 14);

    m_model = new InputListModel(m_list, this);
    LV = new QTreeView(client);
    LV->setObjectName(QStringLiteral("LV"));
    LV->setModel(m_model);
    LV->setItemDelegateForColumn(2, new StateDelegate(LV));
    LV->setRootIsDecorated(false);
    LV->setUniformRowHeights(true);
    LV->setItemsExpandable(false);
    LV->setSelectionMode(QAbstractItemView::SingleSelection);
    LV->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV->header()->setStretchLastSection(false);
    m_nameColumnWidth = 7000 / kTwipsPerPixel;
    LV->setColumnWidth(0, m_nameColumnWidth);
    LV->setColumnWidth(1, 1250 / kTwipsPerPixel);
    LV->setColumnWidth(2, 1000 / kTwipsPerPixel);
    Place(LV, 4, 88, 555, 204);
    LV->setAccessibleName(tr("文件列表"));
    Label10->setBuddy(LV);

    picText = new QFrame(client);
    picText->setObjectName(QStringLiteral("picText"));
    picText->setGeometry(184, 190, 163, 21);
    lblText = new QLabel(tr("将视频文件拖到此处"), picText);
    lblText->setObjectName(QStringLiteral("lblText"));
    lblText->setAlignment(Qt::AlignCenter);
    lblText->setGeometry(0, 0, 163, 21);
    lblText->setStyleSheet(QStringLiteral("color: #6b7c93;"));

    // The drop overlay lies exactly over the list; it shows while something is dragged there.
    picDrop = new DropZone(DropZone::Look::Overlay, client);
    picDrop->setObjectName(QStringLiteral("picDrop"));
    picDrop->setGeometry(LV->geometry());
    picDrop->hide();
    connect(picDrop, &DropZone::dropped, this, &frmMain::picDrop_OLEDragDrop);
    connect(picDrop, &DropZone::clicked, this, &frmMain::picDrop_Click);
    connect(picDrop, &DropZone::activated, this, &frmMain::picDrop_Click);
    LV->viewport()->setAcceptDrops(true);
    LV->viewport()->installEventFilter(this);
    LV->installEventFilter(this);
    connect(LV, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { LV_DblClick(index.row()); });

    Label1 = MakeLabel(client, "Label1", tr("输出格式:"));
    Place(Label1, 10, 298, 86, 14);
    cmbOF1 = new QComboBox(client);
    cmbOF1->setObjectName(QStringLiteral("cmbOF1"));
    cmbOF1->setToolTip(tr("输出格式"));
    cmbOF1->setAccessibleName(tr("输出格式"));
    Label1->setBuddy(cmbOF1);
    for (const auto& format : pivora::engine::OutputFormats())
        cmbOF1->addItem(QString::fromLatin1(format.ItemText));
    // The longest format name must fit the design width.
    QFont formatFont = cmbOF1->font();
    formatFont.setPixelSize(11);
    cmbOF1->setFont(formatFont);
    Place(cmbOF1, 8, 317, 197);
    connect(cmbOF1, &QComboBox::currentIndexChanged, this, &frmMain::cmbOF1_Click);

    // The hidden list that follows the visible format box.
    cmbOF = new QComboBox(client);
    cmbOF->setObjectName(QStringLiteral("cmbOF"));
    for (int i = 0; i < pivora::settings::kInternalFormatCount; ++i)
        cmbOF->addItem(QString::number(i));
    cmbOF->hide();

    Label9 = MakeLabel(client, "Label9", tr("旋转:"));
    Place(Label9, 218, 298, 41, 14);
    cmbRotate = new QComboBox(client);
    cmbRotate->setObjectName(QStringLiteral("cmbRotate"));
    cmbRotate->setAccessibleName(tr("旋转"));
    Label9->setBuddy(cmbRotate);
    for (const char* item : pivora::engine::RotationItems())
        cmbRotate->addItem(QString::fromLatin1(item));
    Place(cmbRotate, 216, 317, 171);
    connect(cmbRotate, &QComboBox::currentIndexChanged, this, &frmMain::cmbRotate_Click);

    Label11 = MakeLabel(client, "Label11", tr("视频质量 (比特率 - K):"));
    Place(Label11, 398, 298, 145, 14);
    cmbBitrate = new QComboBox(client);
    cmbBitrate->setObjectName(QStringLiteral("cmbBitrate"));
    cmbBitrate->setEditable(true);
    cmbBitrate->setInsertPolicy(QComboBox::NoInsert);
    cmbBitrate->setToolTip(tr("视频比特率"));
    cmbBitrate->setAccessibleName(tr("视频比特率"));
    cmbBitrate->lineEdit()->setAccessibleName(tr("视频比特率"));
    Label11->setBuddy(cmbBitrate);
    for (const char* item : pivora::settings::BitrateItems())
        cmbBitrate->addItem(QString::fromLatin1(item));
    Place(cmbBitrate, 398, 317, 157);

    Label8 = MakeLabel(client, "Label8", tr("输出路径:"));
    Place(Label8, 10, 346, 73, 14);
    txtPath = new QLineEdit(client);
    txtPath->setObjectName(QStringLiteral("txtPath"));
    txtPath->setToolTip(tr("选择要输出的文件夹"));
    txtPath->setAccessibleName(tr("输出路径"));
    Label8->setBuddy(txtPath);
    Place(txtPath, 8, 363, 495, 21);
    cmdBrowse = new QPushButton(QStringLiteral("..."), client);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setToolTip(tr("选择输出文件夹"));
    cmdBrowse->setAccessibleName(tr("选择输出文件夹"));
    PressOnEnter(*cmdBrowse);
    Place(cmdBrowse, 508, 364, 47, 20);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmMain::cmdBrowse_Click);
    txtPath->installEventFilter(this);

    Command3 = new QPushButton(tr("旋转视频"), client);
    Command3->setObjectName(QStringLiteral("Command3"));
    QFont startFont = Command3->font();
    startFont.setPixelSize(16);
    startFont.setBold(true);
    Command3->setFont(startFont);
    Place(Command3, 404, 390, 153, 55);
    connect(Command3, &QPushButton::clicked, this, &frmMain::Command3_Click);
    // The second press of a double click is part of the first.
    Command3->installEventFilter(this);
    // Screen readers name it by its caption, "旋转视频" or "停止".
    PressOnEnter(*Command3);

    lblPB = MakeLabel(client, "lblPB", QStringLiteral("0%"));
    Place(lblPB, 184, 396, 23, 14);
    lblPB->setMinimumWidth(60);
    lblPB->resize(60, lblPB->height());
    pb = new QProgressBar(client);
    ReadOnlyProgressBar(*pb); // before anything asks how assistive technologies see it
    pb->setObjectName(QStringLiteral("pb"));
    pb->setRange(0, 100);
    pb->setValue(0);
    pb->setTextVisible(false);
    pb->setAccessibleName(tr("转换进度"));
    Place(pb, 6, 422, 391, 21);

    auto* feedLink = new LinkLabel(tr("反馈"), client);
    lblFeed = feedLink;
    lblFeed->setObjectName(QStringLiteral("lblFeed"));
    lblFeed->setToolTip(tr("向我们发送您的建议或问题"));
    connect(feedLink, &LinkLabel::activated, this, &frmMain::lblFeed_Click);
    lblFeed->setCursor(HandCursor());
    lblFeed->installEventFilter(this);
    lblFeed->setStyleSheet(QStringLiteral("QLabel { color: #2a5db0; text-decoration: underline; }"
                                          "QLabel:focus { background-color: #dce6f4; }"
                                          "QLabel:disabled { color: #9aa5b1; }"));
    lblFeed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The right edge stays; a longer word, bold under the mouse, grows to the left.
    QFont feedFont = lblFeed->font();
    feedFont.setBold(true);
    const int feedWidth = std::max(46, QFontMetrics(feedFont).horizontalAdvance(lblFeed->text()));
    lblFeed->setGeometry(554 - feedWidth, 450, feedWidth, 16);

    // Out of sight, beyond the right and bottom edges, as the design places them.
    picDrag = new DropZone(DropZone::Look::Plain, client);
    picDrag->setObjectName(QStringLiteral("picDrag"));
    picDrag->setToolTip(tr("将媒体文件拖到此区域"));
    picDrag->setAccessibleName(tr("将媒体文件拖到此区域"));
    picDrag->setGeometry(kClientWidth + 40, 100, 60, 60);
    connect(picDrag, &DropZone::dropped, this, &frmMain::picDrag_OLEDragDrop);
    connect(picDrag, &DropZone::clicked, this, &frmMain::picDrag_Click);
    connect(picDrag, &DropZone::activated, this, &frmMain::picDrag_Click);
    imgPB = new QWidget(client);
    imgPB->setObjectName(QStringLiteral("imgPB"));
    imgPB->setGeometry(6, kClientHeight + 20, 0, 21);

    // The welcome picture lies over the list and the panel until it is dismissed.
    picDoor = new DropZone(DropZone::Look::Welcome, client);
    picDoor->setObjectName(QStringLiteral("picDoor"));
    picDoor->setGeometry(2, 68, 563, 378);
    picDoor->raise();
    connect(picDoor, &DropZone::clicked, this, &frmMain::picDoor_Click);
    connect(picDoor, &DropZone::dropped, this, &frmMain::picDoor_OLEDragDrop);
    connect(picDoor, &DropZone::activated, this, &frmMain::picDoor_Activate);

    m_controls = {CmdToolsBar[0], CmdToolsBar[1], CmdToolsBar[2], CmdToolsBar[3],
                  CmdToolsBar[4], CmdToolsBar[5], Label10,        LV,
                  picText,        lblText,        picDrop,        Label1,
                  cmbOF1,         cmbOF,          Label9,         cmbRotate,
                  Label11,        cmbBitrate,     Label8,         txtPath,
                  cmdBrowse,      Command3,       lblPB,          pb,
                  lblFeed,        picDrag,        imgPB,          picDoor};

    m_announcer = new Announcer(client);

    // The command box: popup menus write command words into it.
    txtAction = new QLineEdit(client);
    txtAction->setObjectName(QStringLiteral("txtAction"));
    txtAction->setGeometry(kClientWidth + 40, 200, 80, 20);
    txtAction->hide();
    connect(txtAction, &QLineEdit::textChanged, this, &frmMain::DispatchCommandWord);
    m_controls.push_back(txtAction);
    m_frmMenu = new frmMenu(*txtAction, this);
    m_frmMenu->menuRemoveAll_Click = [this] { menuRA_Click(); };

    SetKeyboardOrder();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
}

void frmMain::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("文件(&F)"));
    menuAdd = file->addAction(tr("添加文件"));
    menuAdd->setObjectName(QStringLiteral("menuAdd"));
    connect(menuAdd, &QAction::triggered, this, [this] { CmdToolsBar_Click(0); });
    menuFolder = file->addAction(tr("添加文件夹"));
    menuFolder->setObjectName(QStringLiteral("menuFolder"));
    connect(menuFolder, &QAction::triggered, this, [this] { CmdToolsBar_Click(1); });
    file->addSeparator();
    QAction* menuExit = file->addAction(tr("退出"));
    menuExit->setObjectName(QStringLiteral("menuExit"));
    connect(menuExit, &QAction::triggered, this, [this] { CmdToolsBar_Click(5); });

    QMenu* remove = menuBar()->addMenu(tr("移除(&R)"));
    QAction* menuRS = remove->addAction(tr("移除选择的文件"));
    menuRS->setObjectName(QStringLiteral("menuRS"));
    connect(menuRS, &QAction::triggered, this, &frmMain::menuRS_Click);
    QAction* menuRA = remove->addAction(tr("移除所有"));
    menuRA->setObjectName(QStringLiteral("menuRA"));
    connect(menuRA, &QAction::triggered, this, &frmMain::menuRA_Click);

    QMenu* settings = menuBar()->addMenu(tr("设置(&S)"));
    QAction* menuS = settings->addAction(tr("设置"));
    menuS->setObjectName(QStringLiteral("menuS"));
    connect(menuS, &QAction::triggered, this, [this] { CmdToolsBar_Click(4); });

    //: The menu bar's last menu, holding the help and the about box.
    QMenu* about = menuBar()->addMenu(tr("关于(&A)"));
    QAction* menuHelp = about->addAction(tr("帮助"));
    menuHelp->setObjectName(QStringLiteral("menuHelp"));
    connect(menuHelp, &QAction::triggered, this, [this] { CmdToolsBar_Click(3); });
    QAction* menuA = about->addAction(tr("关于"));
    menuA->setObjectName(QStringLiteral("menuA"));
    connect(menuA, &QAction::triggered, this, &frmMain::menuA_Click);
    MenuBarKeys(*this);
}

namespace {

// The folders start-up and shut-down clear are the program's own, never one the user made.
bool IsProgramOwned(const std::string& folder)
{
    // The last two parts of the path must be the program's folder and one of its own.
    QStringList parts = QString::fromStdString(folder).split(
        QRegularExpression(QStringLiteral("[/\\\\]")), Qt::SkipEmptyParts);
    if (parts.size() < 3)
        return false;
    const QString own = parts.takeLast();
    return parts.last().compare(QStringLiteral("pivora"), Qt::CaseInsensitive) == 0 &&
           (own.compare(QStringLiteral("tmp"), Qt::CaseInsensitive) == 0 ||
            own.compare(QStringLiteral("work"), Qt::CaseInsensitive) == 0);
}

void ClearOwnFolder(const std::string& folder, pivora::platform::EventPump& pump)
{
    if (IsProgramOwned(folder))
        pivora::platform::RemoveFolderTree(folder, &pump);
}

} // namespace

void frmMain::Form_Load()
{
    cmbBitrate->setCurrentIndex(2);
    cmbRotate->setCurrentIndex(0);
    m_driver->RotationFilter() = pivora::engine::RotationFilterFor(0);
    m_pump.ProcessEvents();
    imgPB->resize(0, imgPB->height());
    cmbOF->setCurrentIndex(0);
    txtPath->setText(FromNative(m_setup.DefaultOutputFolder));
    txtPath->setText(FromNative(pivora::settings::LoadOutputFolder(
        m_outputFolderPath, OutputFolderText(), m_setup.DefaultOutputFolder)));
    setWindowTitle(QStringLiteral("Pivora"));
    pivora::settings::LoadOptions(m_optionsPath, m_options);
    m_settings = pivora::settings::LoadProgramSettings(m_settingsPath);
    ShowStateColumn();
    // Selecting the first format applies its defaults, even though it is already selected.
    cmbOF1->setCurrentIndex(0);
    cmbOF1_Click(0);
    cmbOF->setCurrentIndex(4);
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    ScaleToScreen(ScreenDpiX(*this), ScreenDpiY(*this));
    // A window too large for its screen (a small one at 200 %) is made to fit it.
    m_fit = new ScreenFit(*this, *centralWidget(), m_controls,
                          [this](double ratio) { ScaleColumns(ratio); });
    m_fit->Fit();
    picDrop->setGeometry(LV->geometry());
    // What an earlier run left behind: copies, the scratch folder, a converter still running.
    ClearOwnFolder(m_setup.TempCopiesFolder, m_pump);
    ClearOwnFolder(m_setup.WorkFolder, m_pump);
    pivora::platform::KillProcessByName(pivora::platform::ConverterProcessName(),
                                        pivora::platform::ConverterPath(m_setup.ProgramFolder));
    // Once the window is up.
    QTimer::singleShot(0, this, &frmMain::RecoverInterruptedBatch);
}

void frmMain::RecoverInterruptedBatch()
{
    if (m_setup.JournalFolder.empty() || m_unloaded)
        return;
    pivora::engine::ActivityLog log(m_setup.LogPath);
    pivora::engine::InterruptedBatches batches(
        m_setup.JournalFolder, pivora::platform::ConverterPath(m_setup.ProgramFolder), m_pump, log);
    // Closed meanwhile: the journals stay for the next start.
    if (m_unloaded || m_pump.Quitting())
        return;
    const std::vector<pivora::input::InputEntry>& entries = batches.Unconverted();
    if (!entries.empty()) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Pivora"),
                        tr("上次的转换没有完成, 还有 %n 个文件没有转换. 要把它们放回列表吗?",
                           nullptr, static_cast<int>(entries.size())),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.button(QMessageBox::Yes)->setText(tr("是"));
        box.button(QMessageBox::No)->setText(tr("否"));
        box.setDefaultButton(QMessageBox::Yes);
        const int answer = box.exec();
        if (m_unloaded)
            return;
        if (answer == QMessageBox::Yes) {
            std::vector<pivora::input::InputEntry> back;
            QString gone;
            for (const pivora::input::InputEntry& entry : entries) {
                if (pivora::platform::IsRegularFile(entry.Path))
                    back.push_back(entry);
                else
                    gone += QLatin1Char('\n') + FromNative(entry.DisplayText);
            }
            m_list.Append(std::move(back));
            if (!m_list.Empty())
                picDoor->hide();
            UpdateHint();
            if (!gone.isEmpty())
                ShowBox(tr("以下文件已经不在了, 没有放回列表:") + QLatin1Char('\n') + gone,
                        QStringLiteral("Pivora"), Icon::Warning);
        }
    }
    batches.Discard();
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    pivora::settings::SaveOutputFolder(m_outputFolderPath, OutputFolderText());
    ClearOwnFolder(m_setup.WorkFolder, m_pump);
    ClearOwnFolder(m_setup.WorkFolder + "/", m_pump);
}

void frmMain::ScaleToScreen(double dpiX, double dpiY)
{
    // From the window's full size; fitted to its screen again afterwards.
    if (m_fit)
        m_fit->Restore();
    pivora::ui::ScaleToScreen(*this, *centralWidget(), m_controls, dpiX, dpiY, txtPath);
    if (dpiX > 0)
        ScaleColumns(dpiX / 96.0);
    if (m_fit) {
        m_fit->Rebase();
        m_fit->Fit();
    }
}

double frmMain::ScreenFitFactor() const
{
    return m_fit ? m_fit->Factor() : 1.0;
}

void frmMain::ScaleColumns(double factor)
{
    // The list's columns keep their share of its width.
    for (const int column : {1, 2})
        LV->setColumnWidth(column, static_cast<int>(std::lround(LV->columnWidth(column) * factor)));
    m_nameColumnWidth = static_cast<int>(std::lround(m_nameColumnWidth * factor));
    ShowStateColumn();
}

void frmMain::AddFiles(const std::vector<std::string>& paths)
{
    m_adder->AddNamedFiles(paths);
    if (!m_list.Empty())
        picDoor->hide();
    UpdateHint();
    ShowRefused();
}

void frmMain::ShowRefused()
{
    const std::vector<std::string> refused = m_adder->TakeRefused();
    if (refused.empty())
        return;
    QString text = tr("以下不存在, 或不是普通文件 (命名管道、套接字或设备), 没有加入列表:") +
                   QLatin1Char('\n');
    for (const std::string& name : refused)
        text += QLatin1Char('\n') + FromNative(name);
    ShowBox(text, tr("添加"), Icon::Warning);
}

void frmMain::UpdateHint()
{
    picText->setVisible(m_list.Empty());
}

void frmMain::ShowHintText(const QString& text)
{
    if (text.isEmpty()) {
        lblText->setText(tr("将视频文件拖到此处"));
        UpdateHint();
    } else {
        lblText->setText(text);
        picText->show();
        picText->raise();
    }
    m_pump.ProcessEvents();
}

void frmMain::cmbOF1_Click(int index)
{
    const pivora::settings::FormatDefaults* defaults = pivora::settings::DefaultsForFormat(index);
    if (!defaults)
        return;
    cmbBitrate->setCurrentIndex(defaults->BitrateItem);
    cmbBitrate->setEditText(cmbBitrate->itemText(defaults->BitrateItem));
    cmbOF->setCurrentIndex(defaults->InternalFormat);
}

void frmMain::cmbRotate_Click(int index)
{
    pivora::engine::SelectRotationFilter(index, m_driver->RotationFilter());
    if (m_preview && m_preview->isVisible())
        m_preview->SetRotation(index);
}

void frmMain::LV_DblClick(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_list.Count())
        return;
    if (!m_preview)
        m_preview = new frmPreview(m_setup.ProgramFolder, m_setup.WorkFolder, this);
    const pivora::input::InputEntry& entry = m_list.At(static_cast<std::size_t>(row));
    m_preview->ShowFile(entry.Path, entry.DisplayText, cmbRotate->currentIndex());
    m_preview->show();
    m_preview->raise();
    m_preview->activateWindow();
}

void frmMain::picDoor_Click()
{
    picDoor->hide();
}

void frmMain::picDoor_Activate()
{
    // Pressed without the mouse, the welcome picture adds files as the first toolbar button
    // does: that is what it asks for, and a click on it only dismisses it.
    if (CmdToolsBar[0]->isEnabled())
        CmdToolsBar_Click(0);
    else
        picDoor->hide();
}

void frmMain::SetKeyboardOrder()
{
    // Tab goes through the window as it is seen: the toolbar in its order on the screen, the
    // welcome picture and the overlay over the list, the list, then the panel row by row.
    const std::array<QWidget*, 16> order{CmdToolsBar[0], CmdToolsBar[1], CmdToolsBar[2],
                                         CmdToolsBar[4], CmdToolsBar[3], CmdToolsBar[5],
                                         picDoor,        picDrop,        LV,
                                         cmbOF1,         cmbRotate,      cmbBitrate,
                                         txtPath,        cmdBrowse,      Command3,
                                         lblFeed};
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The welcome picture steps aside when the keyboard moves to a control it covers.
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        QWidget* client = centralWidget();
        if (!now || now == picDoor || !picDoor->isVisible() || !client->isAncestorOf(now))
            return;
        if (QRect(now->mapTo(client, QPoint()), now->size()).intersects(picDoor->geometry()))
            picDoor->hide();
    });
}

void frmMain::CmdToolsBar_Click(int index)
{
    picDoor->hide();
    switch (index) {
    case 0:
        imgToolbar_Click(0);
        break;
    case 1:
        imgToolbar_Click(6);
        break;
    case 2:
        imgToolbar_Click(1);
        break;
    case 3:
        OpenHelpTarget();
        break;
    case 4:
        imgToolbar_Click(2);
        break;
    case 5:
        imgToolbar_Click(4);
        break;
    default:
        break;
    }
}

void frmMain::imgToolbar_Click(int index)
{
    switch (index) {
    case 0:
        imgAdd_Click();
        break;
    case 1: {
        // At the pointer; under the button when it was pressed from the keyboard.
        QToolButton* button = CmdToolsBar[2];
        QPoint at = QCursor::pos();
        if (!button->rect().contains(button->mapFromGlobal(at)))
            at = button->mapToGlobal(QPoint(0, button->height()));
        m_frmMenu->PopupRemove(at);
        break;
    }
    case 2: {
        frmOptions options(m_options, m_optionsPath, m_settings, m_settingsPath);
        options.exec();
        ShowStateColumn();
        break;
    }
    case 3:
        imgHelp_Click();
        break;
    case 4:
        imgExit_Click();
        break;
    case 6:
        AddFolder();
        break;
    default:
        break;
    }
}

void frmMain::DispatchCommandWord(const QString& word)
{
    if (word.isEmpty())
        return;
    if (word == QStringLiteral("RemoveSelected"))
        imgRemove_Click();
    else if (word == QStringLiteral("AddaFile"))
        imgAdd_Click();
    else if (word == QStringLiteral("menuAddaFolder"))
        imgToolbar_Click(6);
    else if (word == QStringLiteral("menuExit"))
        imgExit_Click();
    else if (word == QStringLiteral("menuHelp"))
        imgHelp_Click();
    else if (word == QStringLiteral("menuOption"))
        imgToolbar_Click(2);
    // Emptying the box runs this once more, with nothing to match.
    txtAction->clear();
}

void frmMain::imgHelp_Click()
{
    //: The help page beside the program, in the language of this translation.
    const QString page = tr("help.html");
    m_services->OpenDocument(pivora::platform::JoinPath(
        pivora::platform::DataFolder(m_setup.ProgramFolder), ToNative(page)));
}

void frmMain::OpenHelpTarget()
{
    // The toolbar and the menu bar open the same help page as the other help commands.
    imgHelp_Click();
}

void frmMain::lblFeed_Click()
{
    m_services->OpenUrl(std::string("mailto:") + kFeedbackAddress + "?subject=Feedback/Bug Report");
}

void frmMain::menuA_Click()
{
    // The CJK font the window draws with: either of those the package may bring.
    QString cjkFont = tr("系统的中文字体");
    for (const QString& family :
         {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")}) {
        if (QFontDatabase::hasFamily(family)) {
            cjkFont = family;
            break;
        }
    }
    //: "Ver" and the program's version number.
    const QString version = tr("Ver %1").arg(QStringLiteral(PIVORA_VERSION));
    ShowBox(tr("Pivora %1\n\n"
               "批量旋转和镜像视频文件.\n"
               "视频转换由 FFmpeg 完成 (ffmpeg.org).\n"
               "界面使用 Qt, 中文字体为 %3.\n\n"
               "建议和问题请发送至 %2")
                .arg(version, QString::fromLatin1(kFeedbackAddress), cjkFont),
            tr("关于"), Icon::None);
}

void frmMain::Form_MouseMove()
{
    QFont font = lblFeed->font();
    font.setBold(false);
    lblFeed->setFont(font);
    picDrop->hide();
}

void frmMain::imgExit_Click()
{
    close();
}

bool frmMain::BeginAdding()
{
    if (m_adding)
        return false;
    m_adding = true;
    SetAddingLocked(true);
    return true;
}

void frmMain::EndAdding()
{
    m_adding = false;
    SetAddingLocked(false);
    // The hint may have come back during a copy or a search; it never stays over entries.
    if (!m_list.Empty())
        picText->hide();
    ShowRefused();
}

void frmMain::SetAddingLocked(bool locked)
{
    // While files are being added nothing else may add or start: the search or the copy in
    // progress lets events run, and a second one inside it would be interleaved with it.
    const bool batchActive = m_armed || m_driver->Running();
    for (const int index : {0, 1})
        CmdToolsBar[static_cast<std::size_t>(index)]->setEnabled(!locked && !batchActive);
    menuAdd->setEnabled(!locked);
    menuFolder->setEnabled(!locked);
    // A drop now would be left aside: the drop targets refuse it, and the cursor says so.
    for (QWidget* target : {static_cast<QWidget*>(picDoor), static_cast<QWidget*>(picDrop),
                            static_cast<QWidget*>(picDrag), LV->viewport()})
        target->setAcceptDrops(!locked);
    if (!batchActive)
        Command3->setEnabled(!locked);
}

void frmMain::imgAdd_Click()
{
    if (!BeginAdding())
        return;
    AddingDone done(*this);
    m_dialogs.FileName.clear();
    m_dialogs.DialogTitle = tr("打开文件");
    m_dialogs.Filter = tr("所有格式(*.*)|*.*");
    if (!m_dialogs.ShowOpen(this) || m_dialogs.FileName.isEmpty())
        return;
    m_adder->AddChosenFile(ToNative(m_dialogs.FileName));
    UpdateHint();
}

void frmMain::AddFolder()
{
    if (!BeginAdding())
        return;
    AddingDone done(*this);
    lstAddFolder.clear();
    const std::string folder = BrowseForFolder(this, tr("选择一个文件夹:"));
    ShowHintText(tr("正在搜索..."));
    if (!folder.empty()) {
        pivora::input::SearchFolder(folder, lstAddFolder, &m_pump);
        m_adder->AddFoundFiles(std::move(lstAddFolder));
        lstAddFolder.clear();
    }
    lblText->setText(tr("将视频文件拖到此处"));
    UpdateHint();
}

void frmMain::cmdBrowse_Click()
{
    imgBrowse_Click();
}

void frmMain::imgBrowse_Click()
{
    const std::string chosen = BrowseForFolder(this, tr("选择一个文件夹:"));
    if (chosen.empty()) {
        // Cancelled: the default folder, which the next batch makes if it is missing.
        txtPath->setText(FromNative(m_setup.DefaultOutputFolder));
        return;
    }
    txtPath->setText(FromNative(chosen));
    if (pivora::input::FolderExists(chosen))
        return;
    txtPath->setText(FromNative(m_setup.DefaultOutputFolder));
    ShowBox(
        tr("路径包含未知字符.\r\n更改为默认路径 %1.").arg(FromNative(m_setup.DefaultOutputFolder)),
        tr("路径"), Icon::None);
}

void frmMain::menuRS_Click()
{
    txtAction->setText(QStringLiteral("RemoveSelected"));
}

namespace {

// The dropped files as a list of names; nothing when the drag carries no files.
std::optional<pivora::input::DropFileList> DroppedFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    pivora::input::DropFileList files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files.Names.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    if (files.Names.empty())
        return std::nullopt;
    return files;
}

} // namespace

void frmMain::FullDrop(const QMimeData* dragData)
{
    if (const auto files = DroppedFiles(dragData))
        m_adder->AddFullDrop(*files);
    lblText->setText(tr("将视频文件拖到此处"));
    picDrop->hide();
}

void frmMain::picDoor_OLEDragDrop(const QMimeData* dragData)
{
    picDoor->hide();
    picDrop->hide();
    if (!BeginAdding())
        return;
    AddingDone done(*this);
    picText->hide();
    FullDrop(dragData);
    if (!m_list.Empty())
        m_pump.ProcessEvents();
}

void frmMain::picDrop_OLEDragDrop(const QMimeData* dragData)
{
    picDrop->hide();
    if (!BeginAdding())
        return;
    AddingDone done(*this);
    FullDrop(dragData);
    if (!m_list.Empty())
        m_pump.ProcessEvents();
}

void frmMain::LV_OLEDragDrop(const QMimeData* dragData)
{
    if (!BeginAdding())
        return;
    AddingDone done(*this);
    if (const auto files = DroppedFiles(dragData))
        m_adder->AddSimpleDrop(*files);
    lblText->setText(tr("将视频文件拖到此处"));
    if (!m_list.Empty())
        m_pump.ProcessEvents();
}

void frmMain::picDrag_OLEDragDrop(const QMimeData* dragData)
{
    if (!BeginAdding())
        return;
    AddingDone done(*this);
    if (const auto files = DroppedFiles(dragData))
        m_adder->AddSimpleDrop(*files);
    lblText->setText(tr("将视频文件拖到此处"));
    if (!m_list.Empty())
        m_pump.ProcessEvents();
}

void frmMain::LV_OLEDragOver()
{
    picDrop->show();
    picDrop->raise();
}

void frmMain::picDrop_Click()
{
    picDrop->hide();
}

void frmMain::picDrag_Click()
{
    if (!BeginAdding())
        return;
    AddingDone done(*this);
    const std::string p = BrowseForFile(this, tr("打开文件"), QString(), QStringLiteral("*.*|*.*"),
                                        0x200008, m_setup.ProgramFolder);
    if (p.empty())
        return;
    m_adder->AddBrowsedFile(p);
    UpdateHint();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LV->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (m_adding) {
                drag->ignore();
                return true;
            }
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            if (event->type() == QEvent::DragEnter)
                LV_OLEDragOver();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (m_adding) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            LV_OLEDragDrop(drop->mimeData());
            return true;
        }
        default:
            break;
        }
    } else if (watched == LV && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && LV->currentIndex().isValid()) {
            LV_DblClick(LV->currentIndex().row());
            return true;
        }
    } else if (watched == lblFeed) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
            QFont font = lblFeed->font();
            font.setBold(true);
            lblFeed->setFont(font);
        } else if (event->type() == QEvent::MouseButtonRelease && lblFeed->isEnabled()) {
            lblFeed_Click();
        }
    } else if (watched == Command3 &&
               (event->type() == QEvent::MouseButtonDblClick ||
                (event->type() == QEvent::MouseButtonPress &&
                 static_cast<QMouseEvent*>(event)->flags() & Qt::MouseEventCreatedDoubleClick))) {
        return true;
    } else if (watched == txtPath && event->type() == QEvent::MouseButtonRelease &&
               txtPath->isEnabled()) {
        // A click into the box chooses the folder through the dialog.
        QTimer::singleShot(0, this, &frmMain::cmdBrowse_Click);
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::imgRemove_Click()
{
    const QModelIndex current = LV->selectionModel()->currentIndex();
    if (current.isValid() && LV->selectionModel()->isRowSelected(current.row(), {}))
        m_list.RemoveAt(static_cast<std::size_t>(current.row()));
    UpdateHint();
}

void frmMain::menuRA_Click()
{
    m_list.Clear();
    picText->show();
}

void frmMain::Command3_Click()
{
    // During a batch the button reads "停止".
    if (m_armed || m_driver->Running()) {
        StopBatch();
        return;
    }
    cmbOF1->setEnabled(false);
    cmbBitrate->setEnabled(false);
    cmdBrowse->setEnabled(false);
    txtPath->setEnabled(false);
    cmbRotate->setEnabled(false);
    imgStart_Click();
}

void frmMain::imgStart_Click()
{
    // One batch at a time, whatever path the start comes from, and none while files are
    // still being added.
    if (m_armed || m_driver->Running() || m_adding)
        return;
    if (m_list.Empty()) {
        ShowBox(tr("请添加一个文件."), tr("添加"), Icon::Warning);
        return;
    }
    SetCommandsEnabled(false);
    m_armed = true;
    // Until the batch runs, a second press finds the button disabled: it would stop the
    // batch it started.
    Command3->setEnabled(false);
    m_driver->WarmUp();
    Timer1->start();
}

void frmMain::StopBatch()
{
    if (m_armed) {
        // Nothing has run yet.
        Timer1->stop();
        m_armed = false;
        SetProgressValue(0);
        UnlockPanel();
        UnlockCommands();
        ShowStopped();
        return;
    }
    if (!m_driver->Running())
        return;
    // Until the converter has gone the button cannot be pressed again.
    Command3->setEnabled(false);
    m_driver->Stop();
}

void frmMain::Timer1_Timer()
{
    m_pump.ProcessEvents();
    // A stop or a close among those events ends the start here.
    if (!m_armed || m_unloaded || m_pump.Quitting())
        return;
    m_armed = false;
    // The start has been handled once the batch's first conversions have begun, at its first
    // look at the window's events; from then on the button stops the batch.
    QTimer::singleShot(0, this, [this] {
        if (m_driver->Running() && !m_driver->Stopping())
            Command3->setEnabled(true);
    });
    m_driver->ConvertQueue();
    if (m_closeAfterBatch)
        close();
}

void frmMain::SetCommandsEnabled(bool enabled)
{
    for (std::size_t i = 0; i < CmdToolsBar.size(); ++i)
        CmdToolsBar[i]->setEnabled(enabled && !(m_adding && i <= 1));
    LV->setEnabled(enabled);
    // The start button stays usable during a batch: it stops it.
    Command3->setText(enabled ? tr("旋转视频") : tr("停止"));
    Command3->setEnabled(!enabled || !m_adding);
    lblFeed->setEnabled(enabled);
}

void frmMain::ShowProgress(const pivora::engine::ProgressDisplay& display)
{
    imgPB->resize(static_cast<int>(display.FillWidthTwips / kTwipsPerPixel), imgPB->height());
    pb->setValue(display.BarValue);
    lblPB->setText(QString::fromStdString(display.Label));
}

void frmMain::ShowEntryState(pivora::input::EntryId id, const std::string& state)
{
    m_model->SetState(id, QString::fromStdString(state));
}

void frmMain::ShowStateColumn()
{
    // A running batch keeps the number it began with.
    const std::size_t jobs =
        m_driver->Running()
            ? m_driver->JobsInUse()
            : static_cast<std::size_t>(pivora::settings::ParallelJobsUsed(m_settings));
    const bool shown = jobs > 1;
    LV->setColumnHidden(2, !shown);
    m_model->SetStatesShown(shown);
    // The state column stays in view: the name column gives way to it, and keeps its own
    // width again when it goes.
    QHeaderView* header = LV->header();
    header->setSectionResizeMode(0, shown ? QHeaderView::Stretch : QHeaderView::Interactive);
    if (!shown)
        LV->setColumnWidth(0, m_nameColumnWidth);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_armed && !m_driver->Running()) {
        // Started but not yet running: there is nothing to stop.
        Timer1->stop();
        m_armed = false;
    }
    if (m_driver->Running()) {
        // Once every file is done there is nothing to stop: the end sound is cut short.
        if (!m_shutdownRequested && !m_driver->Stopping() && !m_driver->Finishing() &&
            !ConfirmStopAndQuit()) {
            event->ignore();
            return;
        }
        if (m_driver->Running()) {
            // The batch stops first, without showing anything more; the window closes when
            // the batch has returned.
            m_closeAfterBatch = true;
            m_pump.RequestQuit();
            m_driver->Stop();
            event->ignore();
            return;
        }
    }
    // Long work still on the way out, such as a folder search, stops waiting.
    m_pump.RequestQuit();
    Form_Unload();
    event->accept();
}

bool frmMain::ConfirmStopAndQuit()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pivora"),
                    tr("正在转换视频, 确定要停止并退出吗?"), QMessageBox::Yes | QMessageBox::No,
                    this);
    box.button(QMessageBox::Yes)->setText(tr("是"));
    box.button(QMessageBox::No)->setText(tr("否"));
    box.setDefaultButton(QMessageBox::No);
    m_closeQuestion = &box;
    const int answer = box.exec();
    m_closeQuestion = nullptr;
    return answer == QMessageBox::Yes;
}

void frmMain::ShutdownRequested()
{
    m_shutdownRequested = true;
    if (m_closeQuestion) {
        // The question on screen is answered for the user; its answer closes the window.
        m_closeQuestion->done(QMessageBox::Yes);
        return;
    }
    // No dialog may hold the shut-down up.
    for (int i = 0; i < 8; ++i) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            break;
        dialog->reject();
    }
    close();
}

int frmMain::Rotation() const
{
    return cmbRotate->currentIndex();
}

int frmMain::OutputFormat() const
{
    return cmbOF1->currentIndex();
}

std::string frmMain::VideoBitrate() const
{
    return cmbBitrate->currentText().toStdString();
}

std::string frmMain::OutputFolderText() const
{
    return ToNative(txtPath->text());
}

void frmMain::SetOutputFolderText(const std::string& text)
{
    txtPath->setText(FromNative(text));
}

void frmMain::SetProgressValue(int value)
{
    pb->setValue(value);
}

void frmMain::UnlockPanel()
{
    cmbOF1->setEnabled(true);
    cmbBitrate->setEnabled(true);
    cmdBrowse->setEnabled(true);
    txtPath->setEnabled(true);
    cmbRotate->setEnabled(true);
}

void frmMain::OpenFolder(const std::string& folder)
{
    m_services->OpenFolder(folder);
}

void frmMain::PlayEndSound()
{
    m_services->PlaySound(pivora::platform::JoinPath(
        pivora::platform::DataFolder(m_setup.ProgramFolder), "sound.wav"));
}

void frmMain::UnlockCommands()
{
    picDrag->show();
    SetCommandsEnabled(true);
    // A setting changed during the batch shows now.
    QTimer::singleShot(0, this, &frmMain::ShowStateColumn);
}

void frmMain::ShowFinished()
{
    imgPB->resize(0, imgPB->height());
    lblPB->setText(tr("完成."));
    m_announcer->Announce(
        Announcer::BatchEndText(false, m_driver->LastConverted(), m_driver->LastFailures().size()));
}

void frmMain::ShowStopped()
{
    imgPB->resize(0, imgPB->height());
    lblPB->setText(tr("已停止."));
    m_announcer->Announce(
        Announcer::BatchEndText(true, m_driver->LastConverted(), m_driver->LastFailures().size()));
}

void frmMain::ShowNotStarted()
{
    imgPB->resize(0, imgPB->height());
    lblPB->setText(QStringLiteral("0%"));
}

void frmMain::ShowMessage(const std::string& text, const std::string& title, Icon icon)
{
    ShowBox(FromNative(text), QString::fromStdString(title), icon);
}

std::string frmMain::Translate(const char* source) const
{
    return QCoreApplication::translate("CoreTexts", source).toStdString();
}

void frmMain::ShowBox(const QString& text, const QString& title, Icon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case Icon::Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case Icon::Error:
        boxIcon = QMessageBox::Critical;
        break;
    case Icon::None:
        break;
    }
    QMessageBox box(boxIcon, title, text, QMessageBox::Ok, this);
    box.exec();
}

} // namespace pivora::ui
