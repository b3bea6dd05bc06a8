#include "ui/frmPreview.h"

#include "engine/CommandLine.h"
#include "platform/FileSystem.h"
#include "ui/NativeText.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

namespace pivora::ui {

namespace {

constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 240;

} // namespace

frmPreview::frmPreview(std::string programFolder, std::string workFolder, QWidget* parent)
    : QDialog(parent),
      m_before(programFolder, pivora::platform::JoinPath(workFolder, "preview-before.png")),
      m_after(programFolder, pivora::platform::JoinPath(workFolder, "preview-after.png"))
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(tr("预览"));
    auto* layout = new QGridLayout(this);
    int column = 0;
    for (Frame* frame : {&m_before, &m_after}) {
        const QString side =
            frame == &m_before ? QStringLiteral("Before") : QStringLiteral("After");
        frame->Picture = new QLabel(this);
        frame->Picture->setObjectName(QStringLiteral("pic") + side);
        frame->Picture->setAccessibleName(frame == &m_before ? tr("原画面") : tr("旋转后的画面"));
        frame->Picture->setFixedSize(kPictureWidth, kPictureHeight);
        frame->Picture->setAlignment(Qt::AlignCenter);
        frame->Picture->setWordWrap(true);
        frame->Picture->setStyleSheet(QStringLiteral("background: #20242a; color: #e8e8e8;"));
        frame->Caption = new QLabel(this);
        frame->Caption->setObjectName(QStringLiteral("lbl") + side);
        frame->Caption->setAlignment(Qt::AlignCenter);
        frame->Caption->setFixedWidth(kPictureWidth);
        layout->addWidget(frame->Picture, 0, column);
        layout->addWidget(frame->Caption, 1, column);
        ++column;
    }
    m_poll.setInterval(30);
    connect(&m_poll, &QTimer::timeout, this, &frmPreview::Poll);
}

frmPreview::~frmPreview() = default;

void frmPreview::ShowFile(const std::string& path, const std::string& shownName, int rotation)
{
    m_input = path;
    m_before.Caption->setText(FromNative(shownName));
    m_before.Caption->setToolTip(FromNative(shownName));
    Start(m_before, pivora::window::PreviewFrame::kAsItIs);
    SetRotation(rotation);
}

void frmPreview::SetRotation(int rotation)
{
    if (rotation < 0 || rotation >= pivora::engine::kRotationCount || m_input.empty())
        return;
    m_after.Caption->setText(
        QString::fromLatin1(pivora::engine::RotationItems()[static_cast<std::size_t>(rotation)]));
    Start(m_after, rotation);
}

bool frmPreview::Busy() const
{
    using State = pivora::window::PreviewFrame::State;
    return m_before.Maker.Current() == State::Busy || m_after.Maker.Current() == State::Busy;
}

void frmPreview::Start(Frame& frame, int rotation)
{
    frame.Picture->setPixmap({});
    frame.Picture->setText(QStringLiteral("..."));
    frame.Maker.Start(m_input, rotation);
    Show(frame);
    m_poll.start();
}

void frmPreview::Poll()
{
    for (Frame* frame : {&m_before, &m_after}) {
        if (frame->Maker.Current() == pivora::window::PreviewFrame::State::Busy) {
            frame->Maker.Poll();
            Show(*frame);
        }
    }
    if (!Busy())
        m_poll.stop();
}

void frmPreview::Show(Frame& frame)
{
    using State = pivora::window::PreviewFrame::State;
    const pivora::window::PreviewFrame& maker = frame.Maker;
    QPixmap picture;
    if (maker.Current() == State::Ready && picture.load(FromNative(maker.File()))) {
        frame.Picture->setPixmap(
            picture.scaled(frame.Picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else if (maker.Current() == State::Ready) {
        frame.Picture->setText(CoreText(pivora::window::PreviewFrame::kNoPicture));
    } else if (maker.Current() == State::Failed) {
        frame.Picture->setText(maker.ReasonText() ? CoreText(maker.ReasonText())
                                                  : FromNative(maker.Reason()));
    }
}

} // namespace pivora::ui
