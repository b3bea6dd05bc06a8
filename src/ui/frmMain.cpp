#include "ui/frmMain.h"

#include "engine/CommandLine.h"
#include "platform/Signals.h"
#include "settings/FormatPresets.h"
#include "ui/Announcer.h"
#include "ui/DropZone.h"
#include "ui/HandleNotifier.h"
#include "ui/InputListModel.h"
#include "ui/KeyboardFocus.h"
#include "ui/LinkLabel.h"
#include "ui/NativeText.h"
#include "ui/Pressable.h"
#include "ui/ScaleToScreen.h"
#include "ui/ScreenFit.h"
#include "ui/WindowChrome.h"
#include "ui/frmMenu.h"
#include "window/Commands.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <cmath>

// Resources of a static library are registered by hand, outside any namespace.
static void InitImages()
{
    Q_INIT_RESOURCE(images);
}

namespace pivora::ui {

namespace {

constexpr int kClientWidth = 566;
constexpr int kClientHeight = 470;
constexpr int kTwipsPerPixel = 15;

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

frmMain::frmMain(frmMainSetup setup, QWidget* parent) : QMainWindow(parent)
{
    InitImages();
    pivora::window::DesktopServices* services = setup.Services;
    if (!services) {
        m_ownServices = std::make_unique<QtDesktopServices>(m_pump);
        services = m_ownServices.get();
    }
    pivora::window::WindowView& view = *this;
    m_logic =
        std::make_unique<pivora::window::MainLogic>(std::move(setup), view, *services, m_pump);
    KeepFocusVisible();
    BuildControls();
    BuildMenus();
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    ScaleToScreen(ScreenDpiX(*this), ScreenDpiY(*this));
    // A window too large for its screen (a small one at 200 %) is made to fit it.
    m_fit = new ScreenFit(*this, *centralWidget(), m_controls,
                          [this](double ratio) { ScaleColumns(ratio); });
    m_fit->Fit();
    picDrop->setGeometry(LV->geometry());
    m_logic->Form_Load();
}

frmMain::~frmMain()
{
    // The window's own closing below moves the focus: the watch must not see it half gone.
    disconnect(m_focusWatch);
    // The list goes with the logic, before the children Qt deletes afterwards; the model that
    // looks at it must go first.
    delete m_model;
    m_model = nullptr;
    m_logic.reset();
}

void frmMain::BuildControls()
{
    auto* client = new WindowBackground(this);
    client->setObjectName(QStringLiteral("client"));
    connect(client, &WindowBackground::backgroundMoved, this, &frmMain::Form_MouseMove);
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    // Made in their order on the screen, which screen readers follow.
    const auto& buttons = pivora::window::ToolbarButtons();
    for (const int i : {0, 1, 2, 4, 3, 5}) {
        const pivora::window::ToolbarButton& design = buttons[static_cast<std::size_t>(i)];
        auto* button = new ToolbarButton(client);
        button->setObjectName(QString::fromLatin1(design.Name));
        button->setText(CoreText(design.Caption));
        button->setToolTip(button->text());
        button->setIcon(ToolbarIcon(QString::fromLatin1(design.Picture)));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setGeometry(design.Left, 0, 95, 66);
        connect(button, &QToolButton::clicked, this, [this, i] { m_logic->CmdToolsBar_Click(i); });
        PressOnEnter(*button);
        CmdToolsBar[static_cast<std::size_t>(i)] = button;
    }

    Label10 = MakeLabel(client, "Label10", tr("文件列表:"));
    Place(Label10, 8, 70, 43, 14);

    m_model = new InputListModel(*m_logic, this);
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
    lblText = new QLabel(CoreText(pivora::window::kHintText), picText);
    lblText->setObjectName(QStringLiteral("lblText"));
    lblText->setAlignment(Qt::AlignCenter);
    lblText->setGeometry(0, 0, 163, 21);
    lblText->setStyleSheet(QStringLiteral("color: #6b7c93;"));

    // The drop overlay lies exactly over the list; it shows while something is dragged there.
    picDrop = new DropZone(DropZone::Look::Overlay, client);
    picDrop->setObjectName(QStringLiteral("picDrop"));
    picDrop->setGeometry(LV->geometry());
    picDrop->hide();
    connect(picDrop, &DropZone::dropped, this, [this](const QMimeData* dropped) {
        m_logic->picDrop_OLEDragDrop(DroppedFiles(dropped));
    });
    connect(picDrop, &DropZone::clicked, this, [this] { m_logic->picDrop_Click(); });
    connect(picDrop, &DropZone::activated, this, [this] { m_logic->picDrop_Click(); });
    LV->viewport()->setAcceptDrops(true);
    LV->viewport()->installEventFilter(this);
    LV->installEventFilter(this);
    connect(LV, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { m_logic->LV_DblClick(index.row()); });

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
    connect(cmbOF1, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_logic->cmbOF1_Click(index); });

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
    connect(cmbRotate, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_logic->cmbRotate_Click(index); });

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
    connect(cmdBrowse, &QPushButton::clicked, this, [this] { m_logic->cmdBrowse_Click(); });
    txtPath->installEventFilter(this);

    Command3 = new QPushButton(CoreText("旋转视频"), client);
    Command3->setObjectName(QStringLiteral("Command3"));
    QFont startFont = Command3->font();
    startFont.setPixelSize(16);
    startFont.setBold(true);
    Command3->setFont(startFont);
    Place(Command3, 404, 390, 153, 55);
    connect(Command3, &QPushButton::clicked, this, [this] { m_logic->Command3_Click(); });
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
    connect(feedLink, &LinkLabel::activated, this, [this] { m_logic->lblFeed_Click(); });
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
    connect(picDrag, &DropZone::dropped, this, [this](const QMimeData* dropped) {
        m_logic->picDrag_OLEDragDrop(DroppedFiles(dropped));
    });
    connect(picDrag, &DropZone::clicked, this, [this] { m_logic->picDrag_Click(); });
    connect(picDrag, &DropZone::activated, this, [this] { m_logic->picDrag_Click(); });
    imgPB = new QWidget(client);
    imgPB->setObjectName(QStringLiteral("imgPB"));
    imgPB->setGeometry(6, kClientHeight + 20, 0, 21);

    // The welcome picture lies over the list and the panel until it is dismissed.
    picDoor = new DropZone(DropZone::Look::Welcome, client);
    picDoor->setObjectName(QStringLiteral("picDoor"));
    picDoor->setGeometry(2, 68, 563, 378);
    picDoor->raise();
    connect(picDoor, &DropZone::clicked, this, [this] { m_logic->picDoor_Click(); });
    connect(picDoor, &DropZone::dropped, this, [this](const QMimeData* dropped) {
        m_logic->picDoor_OLEDragDrop(DroppedFiles(dropped));
    });
    connect(picDoor, &DropZone::activated, this, [this] { m_logic->picDoor_Activate(); });

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
    connect(txtAction, &QLineEdit::textChanged, this, &frmMain::txtAction_Change);
    m_controls.push_back(txtAction);
    m_frmMenu = new frmMenu(*txtAction, this);
    m_frmMenu->menuRemoveAll_Click = [this] { m_logic->menuRA_Click(); };

    SetKeyboardOrder();

    // The logic's one-shot timers, by their Timer.
    using pivora::window::Timer;
    for (const Timer timer : {Timer::Timer1, Timer::Recovery, Timer::Started}) {
        auto* made = new QTimer(this);
        made->setSingleShot(true);
        connect(made, &QTimer::timeout, this, [this, timer] { m_logic->TimerTick(timer); });
        m_timers[static_cast<std::size_t>(timer)] = made;
    }
    Timer1 = m_timers[static_cast<std::size_t>(Timer::Timer1)];
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
}

void frmMain::BuildMenus()
{
    for (const pivora::window::MenuBarMenu& design : pivora::window::MenuBar()) {
        QMenu* menu = menuBar()->addMenu(
            QCoreApplication::translate("CoreTexts", design.Caption, design.Disambiguation));
        for (const pivora::window::MenuEntry& item : design.Items) {
            if (item.SeparatorBefore)
                menu->addSeparator();
            QAction* action = menu->addAction(CoreText(item.Caption));
            action->setObjectName(QString::fromLatin1(item.Name));
            connect(action, &QAction::triggered, this,
                    [this, which = item.Item] { m_logic->MenuBar_Click(which); });
            if (item.Item == pivora::window::MenuItem::menuAdd)
                menuAdd = action;
            else if (item.Item == pivora::window::MenuItem::menuFolder)
                menuFolder = action;
        }
    }
    MenuBarKeys(*this);
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

} // namespace pivora::ui
