#include "tools/capture/capturearchive.h"

#include "link/frame.h"

#include <QIODevice>

#include <utility>

namespace {

InspectOptions ProblemsOnly()
{
    InspectOptions options;
    options.List = false;
    return options;
}

} // namespace

CaptureArchive::CaptureArchive(const QString& root, QByteArray network, QIODevice& err)
    : root_(root), report_(ProblemsOnly(), err),
      archive_(root,
               [&err](const QString& note) {
                   err.write("tremvue-capture: " + note.toLocal8Bit() + '\n');
               }),
      exporter_(archive_, report_, std::move(network), &names_)
{
    report_.SetFileName(QStringLiteral("stream"));
}

QString CaptureArchive::LoadNames(const QString& path)
{
    return names_.Load(path);
}

QString CaptureArchive::Take(std::span<const std::uint8_t> frame)
{
    const Frame read = ReadFrame(frame);
    if (read.Outcome == FrameOutcome::Whole)
        exporter_.OnPayload(offset_, read.Type, read.Payload);
    offset_ += frame.size();
    return exporter_.WriteError();
}

void CaptureArchive::Finish()
{
    exporter_.Finish();
}

QByteArray CaptureArchive::Summary() const
{
    const MseedExport& e = exporter_;
    return "archived " + QByteArray::number(e.Exported()) + " data packets as " +
           QByteArray::number(e.Records()) + " records under " + root_.toLocal8Bit() + ", " +
           QByteArray::number(e.Duplicates()) + " archived before, " +
           QByteArray::number(e.NotExported()) + " not archived";
}
