#include "ui/frmPreview.h"

#include "engine/CommandLine.h"
#include "engine/RunOutcome.h"
#include "platform/CommandLineRules.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

namespace pivora::ui {

namespace {

constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 240;

QString FromNative(const std::string& text)
{
    return QFile::decodeName(QByteArray::fromStdString(text));
}

} // namespace

frmPreview::frmPreview(std::string programFolder, std::string workFolder, QWidget* parent)
    : QDialog(parent), m_programFolder(std::move(programFolder)),
      m_workFolder(std::move(workFolder))
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
    m_before.File = pivora::platform::JoinPath(m_workFolder, "preview-before.png");
    m_after.File = pivora::platform::JoinPath(m_workFolder, "preview-after.png");
    m_poll.setInterval(30);
    connect(&m_poll, &QTimer::timeout, this, &frmPreview::Poll);
}

frmPreview::~frmPreview()
{
    for (Frame* frame : {&m_before, &m_after})
        Abandon(*frame);
}

void frmPreview::Abandon(Frame& frame)
{
    if (!frame.Child)
        return;
    // Killed and collected at once, so that nothing lingers as a zombie.
    frame.Child->Kill();
    for (int i = 0; i < 20 && !frame.Child->HasExited(); ++i)
        pivora::platform::WaitForHandles(10, frame.Child->WakeHandles());
    Release(frame);
}

void frmPreview::Release(Frame& frame)
{
    pivora::platform::ReleaseProcess(frame.Child->Id());
    frame.Child.reset();
}

void frmPreview::ShowFile(const std::string& path, const std::string& shownName, int rotation)
{
    m_input = path;
    m_before.Caption->setText(FromNative(shownName));
    m_before.Caption->setToolTip(FromNative(shownName));
    m_before.Rotation = 5;
    Start(m_before);
    SetRotation(rotation);
}

void frmPreview::SetRotation(int rotation)
{
    if (rotation < 0 || rotation >= pivora::engine::kRotationCount || m_input.empty())
        return;
    m_after.Rotation = rotation;
    m_after.Caption->setText(
        QString::fromLatin1(pivora::engine::RotationItems()[static_cast<std::size_t>(rotation)]));
    Start(m_after);
}

bool frmPreview::Busy() const
{
    return m_before.Child || m_after.Child;
}

void frmPreview::Start(Frame& frame)
{
    using pivora::platform::QuoteArgument;
    Abandon(frame);
    frame.Output.clear();
    frame.Picture->setPixmap({});
    frame.Picture->setText(QStringLiteral("..."));
    pivora::platform::CreateFolders(m_workFolder);
    pivora::platform::RemoveFile(frame.File);
    // The same filter as the batch's, and the picture as a player shows it.
    std::string line = QuoteArgument(pivora::platform::ConverterPath(m_programFolder)) +
                       " -hide_banner -nostdin -loglevel error";
    if (frame.Seeking)
        line += " -ss 1";
    line += " -i " + QuoteArgument(pivora::engine::ConverterSafePath(m_input)) + " -frames:v 1 " +
            pivora::engine::RotationFilterFor(frame.Rotation) + " -y " + QuoteArgument(frame.File);
    auto started = pivora::platform::ChildProcess::Start(line);
    if (!started.Process) {
        frame.Picture->setText(tr("文件或命令未找到"));
        return;
    }
    frame.Child = std::move(started.Process);
    // A batch started meanwhile neither stops this converter nor waits for it.
    pivora::platform::SpareProcess(frame.Child->Id());
    m_poll.start();
}

void frmPreview::Poll()
{
    for (Frame* frame : {&m_before, &m_after}) {
        if (!frame->Child)
            continue;
        if (const std::size_t waiting = frame->Child->BytesWaiting(); waiting != 0) {
            std::string chunk;
            if (frame->Child->Read(chunk, waiting))
                frame->Output += chunk;
            continue;
        }
        if (frame->Child->HasExited())
            Finish(*frame);
    }
    if (!Busy())
        m_poll.stop();
}

void frmPreview::Finish(Frame& frame)
{
    Release(frame);
    QPixmap picture;
    if (pivora::platform::IsRegularFile(frame.File) && picture.load(FromNative(frame.File))) {
        frame.Picture->setPixmap(
            picture.scaled(frame.Picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        frame.Seeking = true;
        return;
    }
    if (frame.Seeking && frame.Output.empty()) {
        // Nothing a second in, and no complaint: a clip shorter than that.
        frame.Seeking = false;
        Start(frame);
        return;
    }
    frame.Seeking = true;
    const std::string reason = pivora::engine::FailureReason(frame.Output);
    frame.Picture->setText(reason.empty() ? tr("没有画面") : FromNative(reason));
}

} // namespace pivora::ui
