#include "tools/inspect/exportrun.h"

#include "tools/inspect/devicesink.h"
#include "tools/inspect/mseedexport.h"
#include "tools/inspect/recordformat.h"
#include "tools/inspect/sdsarchive.h"
#include "tools/inspect/visitorpair.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray Summary(const MseedExport& e, const QString& file, bool json)
{
    if (json) {
        const QJsonObject object{
            {QStringLiteral("File"), file},
            {QStringLiteral("Exported"), e.Exported()},
            {QStringLiteral("Copied"), e.Copied()},
            {QStringLiteral("Records"), e.Records()},
            {QStringLiteral("Channels"), e.Channels()},
            {QStringLiteral("NotExported"), e.NotExported()},
            {QStringLiteral("ArchivedBefore"), e.Duplicates()},
        };
        return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    }
    return PrintfBytes("exported %d data packets of %d channels as %d miniSEED records to ",
                       e.Exported(), e.Channels(), e.Records()) +
           file.toLocal8Bit() +
           PrintfBytes(" (%d with their Steim frames copied, %d encoded again); %d not "
                       "exported%s\n",
                       e.Copied(), e.Exported() - e.Copied(), e.NotExported(),
                       e.Duplicates() > 0
                           ? PrintfBytes("; %d archived before", e.Duplicates()).constData()
                           : "");
}

// Reads the inputs into sink; target names it in the summary and the errors.
int ExportInto(const CommandLine& line, RecordSink& sink, const QString& target,
               const SeedNameTable* names, QIODevice& in, QIODevice& out, QIODevice& err)
{
    PacketReport report(line.Options, out, &err);
    MseedExport exporter(sink, report, line.Network, names);
    VisitorPair both(report, exporter);
    const int status = ReadInputs(line, both, report, in, err);
    exporter.Finish();
    out.write(Summary(exporter, target, line.Options.Json));
    if (!exporter.WriteError().isEmpty()) {
        err.write("tremvue-inspect: " + exporter.WriteError().toLocal8Bit() + '\n');
        return ExitCannotOpen;
    }
    const bool incomplete = report.Damaged() || exporter.NotExported() > 0;
    return status == ExitOk && incomplete ? ExitDamaged : status;
}

} // namespace

int RunExport(const CommandLine& line, QIODevice& in, QIODevice& out, QIODevice& err)
{
    SeedNameTable names;
    if (!line.NamesFile.isEmpty()) {
        if (const QString error = names.Load(line.NamesFile); !error.isEmpty()) {
            err.write("tremvue-inspect: " + error.toLocal8Bit() + '\n');
            return ExitUsage;
        }
    }
    const SeedNameTable* table = line.NamesFile.isEmpty() ? nullptr : &names;
    if (!line.Sds.isEmpty()) {
        SdsArchive archive(line.Sds, [&err](const QString& note) {
            err.write("tremvue-inspect: " + note.toLocal8Bit() + '\n');
        });
        return ExportInto(line, archive, line.Sds, table, in, out, err);
    }
    QFile output(line.Mseed);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        err.write("tremvue-inspect: cannot open " + line.Mseed.toLocal8Bit() + ": " +
                  output.errorString().toLocal8Bit() + '\n');
        return ExitCannotOpen;
    }
    DeviceSink sink(output, line.Mseed);
    const int status = ExportInto(line, sink, line.Mseed, table, in, out, err);
    if (status != ExitCannotOpen && !output.flush()) {
        err.write("tremvue-inspect: cannot write " + line.Mseed.toLocal8Bit() + '\n');
        return ExitCannotOpen;
    }
    return status;
}
