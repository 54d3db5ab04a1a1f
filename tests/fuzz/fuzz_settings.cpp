// Fuzz target: a settings file (INI) from outside. Reading it and the program's settings from it
// never fails; what the profile writes reads back as the same profile.
#include <QString>
#include <cstdint>

#include "FuzzSupport.h"
#include "common/ProfileFile.h"
#include "data/Settings.h"

using namespace vz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ProfileFile p = ProfileFile::parse(bytes);
    (void)p.value("Misc", "Last Database");
    (void)p.contains("Defaults", "Date Format");
    const QByteArray written = p.toBytes();
    if (ProfileFile::parse(written).toBytes() != written) __builtin_trap();
    p.setValue("Misc", "Show Tips", "Yes\r\n[Injected]");
    p.setValue(QString::fromLatin1(bytes.left(12)), "Key", QString::fromLatin1(bytes.right(12)));
    if (p.value("Misc", "Show Tips").contains('\n'))
        __builtin_trap();  // a value never breaks a line

    // The program's settings read from it, as the global file and as a collection's file.
    const QString path = QString::fromStdString(vz::fuzz::scratchFile("MINE.INI"));
    vz::fuzz::writeFile(path.toStdString(), data, size);
    data::Settings settings;
    data::loadGlobalSettings(settings.global, path,
                             QString::fromStdString(vz::fuzz::scratchFolder()));
    data::loadDatabaseSettings(settings.database, path, path);
    return 0;
}
