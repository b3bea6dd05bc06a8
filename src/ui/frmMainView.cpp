// What the Qt window shows and asks for its logic, and its events turned into the logic's calls.
#include "ui/frmMain.h"

#include "ui/Announcer.h"
#include "ui/COMDLG.h"
#include "ui/DropZone.h"
#include "ui/InputListModel.h"
#include "ui/NativeText.h"
#include "ui/frmMenu.h"
#include "ui/frmOptions.h"
#include "ui/frmPreview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace pivora::ui {

using pivora::window::Box;
using pivora::window::Control;
using pivora::window::Piece;
using pivora::window::Text;

void frmMain::SetEnabled(Control control, bool enabled)
{
    switch (control) {
    case Control::menuAdd:
        menuAdd->setEnabled(enabled);
        return;
    case Control::menuFolder:
        menuFolder->setEnabled(enabled);
        return;
    case Control::DropTargets:
        // A refused drop shows in the pointer at once.
        for (QWidget* target : {static_cast<QWidget*>(picDoor), static_cast<QWidget*>(picDrop),
                                static_cast<QWidget*>(picDrag), LV->viewport()})
            target->setAcceptDrops(enabled);
        return;
    default:
        break;
    }
    // The controls in the order Control names them.
    QWidget* const widgets[] = {cmbOF1,         cmbBitrate,     cmdBrowse,      txtPath,
                                cmbRotate,      CmdToolsBar[0], CmdToolsBar[1], CmdToolsBar[2],
                                CmdToolsBar[3], CmdToolsBar[4], CmdToolsBar[5], LV,
                                Command3,       lblFeed};
    widgets[static_cast<std::size_t>(control)]->setEnabled(enabled);
}

void frmMain::SetVisible(Piece piece, bool visible)
{
    switch (piece) {
    case Piece::picDoor:
        picDoor->setVisible(visible);
        break;
    case Piece::picDrop:
        picDrop->setVisible(visible);
        if (visible)
            picDrop->raise();
        break;
    case Piece::picText:
        picText->setVisible(visible);
        // A status text in the hint's place shows over everything until the hint comes back.
        if (visible && lblText->text() != CoreText(pivora::window::kHintText))
            picText->raise();
        break;
    case Piece::picDrag:
        picDrag->setVisible(visible);
        break;
    case Piece::StateColumn:
        ShowStateColumn();
        break;
    }
}

void frmMain::SetText(Text text, const std::string& value)
{
    switch (text) {
    case Text::lblText:
        lblText->setText(FromNative(value));
        break;
    case Text::lblPB:
        lblPB->setText(FromNative(value));
        break;
    case Text::txtPath:
        txtPath->setText(FromNative(value));
        break;
    case Text::cmbBitrate:
        cmbBitrate->setEditText(FromNative(value));
        break;
    case Text::Command3:
        Command3->setText(FromNative(value));
        break;
    case Text::Caption:
        setWindowTitle(FromNative(value));
        break;
    }
}

std::string frmMain::GetText(Text text) const
{
    switch (text) {
    case Text::lblText:
        return ToNative(lblText->text());
    case Text::lblPB:
        return ToNative(lblPB->text());
    case Text::txtPath:
        return ToNative(txtPath->text());
    case Text::cmbBitrate:
        return cmbBitrate->currentText().toStdString();
    case Text::Command3:
        return ToNative(Command3->text());
    case Text::Caption:
        return ToNative(windowTitle());
    }
    return {};
}

namespace {

QComboBox* BoxOf(Box box, QComboBox* format, QComboBox* internal, QComboBox* bitrate,
                 QComboBox* rotate)
{
    switch (box) {
    case Box::cmbOF1:
        return format;
    case Box::cmbOF:
        return internal;
    case Box::cmbBitrate:
        return bitrate;
    case Box::cmbRotate:
        return rotate;
    }
    return format;
}

} // namespace

void frmMain::SelectItem(Box box, int index)
{
    BoxOf(box, cmbOF1, cmbOF, cmbBitrate, cmbRotate)->setCurrentIndex(index);
}

int frmMain::SelectedItem(Box box) const
{
    return BoxOf(box, cmbOF1, cmbOF, cmbBitrate, cmbRotate)->currentIndex();
}

void frmMain::SetBar(int value)
{
    pb->setValue(value);
}

void frmMain::SetFill(int pixels)
{
    imgPB->resize(pixels, imgPB->height());
}

void frmMain::RowStateChanged(std::size_t row)
{
    m_model->StateChanged(row);
}

std::optional<std::size_t> frmMain::SelectedRow() const
{
    const QModelIndex current = LV->selectionModel()->currentIndex();
    if (!current.isValid() || !LV->selectionModel()->isRowSelected(current.row(), {}))
        return std::nullopt;
    return static_cast<std::size_t>(current.row());
}

void frmMain::ShowStateColumn()
{
    const bool shown = m_logic->StatesShown();
    LV->setColumnHidden(2, !shown);
    m_model->StatesShownChanged();
    // The state column stays in view: the name column gives way to it, and keeps its own
    // width again when it goes.
    QHeaderView* header = LV->header();
    header->setSectionResizeMode(0, shown ? QHeaderView::Stretch : QHeaderView::Interactive);
    if (!shown)
        LV->setColumnWidth(0, m_nameColumnWidth);
}

void frmMain::ShowMessage(const std::string& text, const std::string& title,
                          pivora::window::Icon icon)
{
    ShowBox(FromNative(text), FromNative(title), icon);
}

void frmMain::ShowBox(const QString& text, const QString& title, pivora::window::Icon icon)
{
    using Icon = pivora::window::Icon;
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

void frmMain::Ask(const std::string& text, const std::string& title, bool yesByDefault,
                  std::function<void(bool yes)> answer)
{
    QMessageBox box(QMessageBox::Question, FromNative(title), FromNative(text),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.button(QMessageBox::Yes)->setText(tr("是"));
    box.button(QMessageBox::No)->setText(tr("否"));
    box.setDefaultButton(yesByDefault ? QMessageBox::Yes : QMessageBox::No);
    // The batch goes on behind the box: the event pump keeps it moving.
    const int result = box.exec();
    answer(result == QMessageBox::Yes);
}

void frmMain::CloseDialogs()
{
    for (int i = 0; i < 8; ++i) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            break;
        dialog->reject();
    }
}

void frmMain::ShowOpen(const std::string& title, const std::string& filter,
                       std::function<void(const std::vector<std::string>& paths)> chosen)
{
    // One file at a time, as the dialog object was always used here.
    m_dialogs.FileName.clear();
    m_dialogs.DialogTitle = FromNative(title);
    m_dialogs.Filter = FromNative(filter);
    if (!m_dialogs.ShowOpen(this) || m_dialogs.FileName.isEmpty())
        chosen({});
    else
        chosen({ToNative(m_dialogs.FileName)});
}

void frmMain::BrowseForFile(const std::string& title, const std::string& folder,
                            const std::string& filter,
                            std::function<void(const std::string& path)> chosen)
{
    chosen(pivora::ui::BrowseForFile(this, FromNative(title), FromNative(folder),
                                     FromNative(filter), 0x200008, folder));
}

void frmMain::BrowseForFolder(const std::string& prompt,
                              std::function<void(const std::string& folder)> chosen)
{
    chosen(pivora::ui::BrowseForFolder(this, FromNative(prompt)));
}

void frmMain::ShowOptions(pivora::window::OptionsLogic options, std::function<void()> closed)
{
    frmOptions dialog(std::move(options));
    dialog.exec();
    closed();
}

void frmMain::PopupRemoveMenu()
{
    // At the pointer; under the button when it was pressed from the keyboard.
    QToolButton* button = CmdToolsBar[2];
    QPoint at = QCursor::pos();
    if (!button->rect().contains(button->mapFromGlobal(at)))
        at = button->mapToGlobal(QPoint(0, button->height()));
    m_frmMenu->PopupRemove(at);
}

void frmMain::ShowPreview(const pivora::input::InputEntry& entry, int rotation)
{
    if (!m_preview)
        m_preview =
            new frmPreview(m_logic->Setup().ProgramFolder, m_logic->Setup().WorkFolder, this);
    m_preview->ShowFile(entry.Path, entry.DisplayText, rotation);
    m_preview->show();
    m_preview->raise();
    m_preview->activateWindow();
}

void frmMain::SetPreviewRotation(int rotation)
{
    if (m_preview && m_preview->isVisible())
        m_preview->SetRotation(rotation);
}

void frmMain::StartTimer(pivora::window::Timer timer, int milliseconds)
{
    m_timers[static_cast<std::size_t>(timer)]->start(milliseconds);
}

void frmMain::StopTimer(pivora::window::Timer timer)
{
    m_timers[static_cast<std::size_t>(timer)]->stop();
}

void frmMain::CloseWindow()
{
    close();
}

std::string frmMain::Translate(const char* source) const
{
    return CoreText(source).toStdString();
}

std::string frmMain::TranslateAs(const char* source, const char* disambiguation) const
{
    return QCoreApplication::translate("CoreTexts", source, disambiguation).toStdString();
}

std::string frmMain::TranslateCount(const char* source, int count) const
{
    return QCoreApplication::translate("CoreTexts", source, nullptr, count).toStdString();
}

std::string frmMain::Credits() const
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
    return tr("界面使用 Qt, 中文字体为 %1.").arg(cjkFont).toStdString();
}

void frmMain::Announce(const std::string& text)
{
    m_announcer->Announce(FromNative(text));
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_logic->QueryUnload())
        event->accept();
    else
        event->ignore();
}

void frmMain::txtAction_Change(const QString& word)
{
    // Emptying the box runs this once more, with nothing to match.
    if (word.isEmpty())
        return;
    m_logic->DispatchCommandWord(word.toStdString());
    txtAction->clear();
}

void frmMain::Form_MouseMove()
{
    QFont font = lblFeed->font();
    font.setBold(false);
    lblFeed->setFont(font);
    picDrop->hide();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LV->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (m_logic->Adding()) {
                drag->ignore();
                return true;
            }
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            if (event->type() == QEvent::DragEnter)
                m_logic->LV_OLEDragOver();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (m_logic->Adding()) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            m_logic->LV_OLEDragDrop(DroppedFiles(drop->mimeData()));
            return true;
        }
        default:
            break;
        }
    } else if (watched == LV && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && LV->currentIndex().isValid()) {
            m_logic->LV_DblClick(LV->currentIndex().row());
            return true;
        }
    } else if (watched == lblFeed) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
            QFont font = lblFeed->font();
            font.setBold(true);
            lblFeed->setFont(font);
        } else if (event->type() == QEvent::MouseButtonRelease && lblFeed->isEnabled()) {
            m_logic->lblFeed_Click();
        }
    } else if (watched == Command3 &&
               (event->type() == QEvent::MouseButtonDblClick ||
                (event->type() == QEvent::MouseButtonPress &&
                 static_cast<QMouseEvent*>(event)->flags() & Qt::MouseEventCreatedDoubleClick))) {
        // The second press of a double click is part of the first.
        return true;
    } else if (watched == txtPath && event->type() == QEvent::MouseButtonRelease &&
               txtPath->isEnabled()) {
        // A click into the box chooses the folder through the dialog.
        QTimer::singleShot(0, this, [this] { m_logic->txtPath_Click(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace pivora::ui
