#include "tools/inspect/exportrun.h"

#include "tools/inspect/mseedexport.h"
#include "tools/inspect/recordformat.h"
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
        };
        return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    }
    return PrintfBytes("exported %d data packets of %d channels as %d miniSEED records to ",
                       e.Exported(), e.Channels(), e.Records()) +
           file.toLocal8Bit() +
           PrintfBytes(" (%d with their Steim frames copied, %d encoded again); %d not "
                       "exported\n",
                       e.Copied(), e.Exported() - e.Copied(), e.NotExported());
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
    QFile output(line.Mseed);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        err.write("tremvue-inspect: cannot open " + line.Mseed.toLocal8Bit() + ": " +
                  output.errorString().toLocal8Bit() + '\n');
        return ExitCannotOpen;
    }
    PacketReport report(line.Options, out, &err);
    MseedExport exporter(output, report, line.Network, line.NamesFile.isEmpty() ? nullptr : &names);
    VisitorPair both(report, exporter);
    int status = ReadInputs(line, both, report, in, err);
    exporter.Finish();
    if (!output.flush() && exporter.WriteError().isEmpty()) {
        status = ExitCannotOpen;
        err.write("tremvue-inspect: cannot write " + line.Mseed.toLocal8Bit() + '\n');
    }
    out.write(Summary(exporter, line.Mseed, line.Options.Json));
    if (!exporter.WriteError().isEmpty()) {
        err.write("tremvue-inspect: cannot write " + line.Mseed.toLocal8Bit() + ": " +
                  exporter.WriteError().toLocal8Bit() + '\n');
        return ExitCannotOpen;
    }
    const bool incomplete = report.Damaged() || exporter.NotExported() > 0;
    return status == ExitOk && incomplete ? ExitDamaged : status;
}
