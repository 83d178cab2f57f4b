// The settings loader over arbitrary INI text. What it loads must survive a save and a load
// unchanged, and the channel settings are read for one channel the seeds name.
#include "app/programstate.h"
#include "app/settingsstore.h"
#include "fuzz/fuzzcheck.h"
#include "packets/dtpacket.h"
#include "store/channelcatalogue.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// In memory where the system offers it: saving settings syncs the file to disk.
QTemporaryDir* WorkDir()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/tremvue-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/tremvue-fuzz-XXXXXX"));
    return &dir;
}

// QSettings caches files by name and may not notice a rewrite within one clock tick, so every
// input gets a file of its own.
QString NextPath()
{
    static unsigned long long n = 0;
    return WorkDir()->filePath(QStringLiteral("in%1.ini").arg(++n));
}

void CheckSame(const ProgramState& a, const ProgramState& b)
{
    FUZZ_CHECK(a.Connection.PksdHost == b.Connection.PksdHost);
    FUZZ_CHECK(a.Connection.PksdPort == b.Connection.PksdPort);
    FUZZ_CHECK(a.Connection.AutoStartMonitor == b.Connection.AutoStartMonitor);
    FUZZ_CHECK(a.Connection.AutoStartPKSD == b.Connection.AutoStartPKSD);
    FUZZ_CHECK(a.Store.KeepSel == b.Store.KeepSel);
    FUZZ_CHECK(a.Store.NringBuffer == b.Store.NringBuffer);
    FUZZ_CHECK(a.Catalogue.SortColumn == b.Catalogue.SortColumn);
    FUZZ_CHECK(a.Catalogue.SortOrder == b.Catalogue.SortOrder);
    const DisplayState& x = a.Display;
    const DisplayState& y = b.Display;
    FUZZ_CHECK(x.AmpScale == y.AmpScale && x.ScaleFactor == y.ScaleFactor);
    FUZZ_CHECK(x.ZeroDcOffset == y.ZeroDcOffset && x.TimeScale == y.TimeScale);
    FUZZ_CHECK(x.TimeRange == y.TimeRange && x.TimeShift == y.TimeShift);
    FUZZ_CHECK(x.TimeLable == y.TimeLable && x.MinMaxLable == y.MinMaxLable);
    FUZZ_CHECK(x.MeanRangeLable == y.MeanRangeLable && x.VoltsLable == y.VoltsLable);
    FUZZ_CHECK(x.textColor == y.textColor && x.axesColor == y.axesColor);
    FUZZ_CHECK(x.backgroundColor == y.backgroundColor);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // DisplayState holds a font, which needs the application object.
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(*argc, *argv);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = NextPath();
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
                   static_cast<qint64>(size));
    }

    auto loaded = std::make_unique<ProgramState>();
    {
        const QSettings s(path, QSettings::IniFormat);
        ReadStoredSettings(s, *loaded);
    }
    FUZZ_CHECK(loaded->Store.NringBuffer >= 1);
    FUZZ_CHECK(loaded->Display.TimeRange >= 1);
    FUZZ_CHECK(std::isfinite(loaded->Display.ScaleFactor) && loaded->Display.ScaleFactor > 0.0);
    FUZZ_CHECK(loaded->Store.KeepSel == 0 || loaded->Store.KeepSel == 1);

    // The channel settings of unit 0001, stream 0, channel 0, as a first packet would read them.
    {
        QSettings s(path, QSettings::IniFormat);
        auto packet = std::make_unique<DtPacket>();
        packet->DasId = 1;
        packet->SampleCount = 1;
        int index = -1;
        FindOrAddChannel(loaded->Catalogue, *packet, index, &s);
        FUZZ_CHECK(index == 0);
    }

    const QString again = NextPath();
    {
        QSettings s(again, QSettings::IniFormat);
        WriteStoredSettings(s, *loaded);
        s.sync();
        FUZZ_CHECK(s.status() == QSettings::NoError);
    }
    auto reloaded = std::make_unique<ProgramState>();
    {
        const QSettings s(again, QSettings::IniFormat);
        ReadStoredSettings(s, *reloaded);
    }
    CheckSame(*loaded, *reloaded);
    QFile::remove(path);
    QFile::remove(again);
    return 0;
}
