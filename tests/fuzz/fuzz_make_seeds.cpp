// Writes the seed corpora of the fuzz targets into FOLDER/<target>/: a few small, valid inputs
// made by the program itself. Usage: fuzz_make_seeds FOLDER
#include <QString>
#include <cstdio>
#include <filesystem>

#include "FuzzSupport.h"
#include "data/ListFile.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "reports/ReportFile.h"

using namespace vz;
namespace fs = std::filesystem;

namespace {

std::string out;

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(out + "/" + target);
    fuzz::writeFile(out + "/" + target + "/" + name, bytes);
}

std::string recordOf(const std::string& table, uint32_t recNo) {
    const std::string bytes = fuzz::readFile(table);
    const size_t headerLength = uint8_t(bytes[8]) | (uint8_t(bytes[9]) << 8);
    const size_t recordLength = uint8_t(bytes[10]) | (uint8_t(bytes[11]) << 8);
    return bytes.substr(headerLength + (recNo - 1) * recordLength, recordLength);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds FOLDER\n");
        return 2;
    }
    out = argv[1];

    // Tables and their index.
    const std::string table = fuzz::scratchFile("FIXED.DBF");
    fuzz::makeFixedTable(table);
    seed("fuzz_table", "fixed.dbf", fuzz::readFile(table));
    seed("fuzz_index", "fixed.mdx", fuzz::readFile(engine::mdxPathFor(table)));
    const std::string empty = fuzz::scratchFile("EMPTY.DBF");
    if (!engine::Table::create(
            empty, {engine::FieldDef::text("NAME", 10), engine::FieldDef::date("WHEN")}))
        return 1;
    seed("fuzz_table", "empty.dbf", fuzz::readFile(empty));
    {
        auto t = engine::Table::open(table, engine::OpenMode::Exclusive);
        if (!t || !(*t)->deleteTag("BYYEAR") || !(*t)->deleteTag("BYDATE")) return 1;
    }
    seed("fuzz_index", "one-tag-with-free-blocks.mdx", fuzz::readFile(engine::mdxPathFor(table)));

    // Key expressions, each with a record of the fixed table.
    const char* expressions[] = {
        "UPPER(NAME)",
        "STR(YEAR,11,0)+COUNTRY",
        "DTOS(BOUGHT)+LEFT(NAME,5)",
        "SUBSTR(NAME,2,3)-TRIM(COUNTRY)+RIGHT(LTRIM(NAME),4)",
        "VAL(NAME)+YEAR-PRICE",
        "BOUGHT+30",
        "-RATE",
        "'a'+[b]+\"c\"+Upper(Substr(Country,3))",
        "STR(PRICE,20,4)",
    };
    int n = 0;
    for (const char* e : expressions) {
        ++n;
        seed("fuzz_key_expression", "expression-" + std::to_string(n),
             std::string(e) + "\n" + recordOf(table, uint32_t(n * 5)));
    }

    // Report definitions: three of the built-in reports, one record each.
    const QString reports = QString::fromStdString(fuzz::scratchFile(reports::kReportFileName));
    if (!reports::CreateDefaultReports(reports)) return 1;
    const std::string all = fuzz::readFile(reports.toStdString());
    for (int i : {0, 2, 5})
        seed("fuzz_report_file", "builtin-" + std::to_string(i + 1),
             all.substr(size_t(i) * reports::kReportRecordSize, reports::kReportRecordSize));

    // Settings: the global and a collection's file as the program writes them.
    const QString global = QString::fromStdString(fuzz::scratchFile("DUZEZIVA.INI"));
    const QString own = QString::fromStdString(fuzz::scratchFile("MINE.INI"));
    data::Settings settings;
    if (!data::saveGlobalSettings(settings.global, global) ||
        !data::saveDatabaseSettings(settings.database, own))
        return 1;
    seed("fuzz_settings", "global.ini", fuzz::readFile(global.toStdString()));
    seed("fuzz_settings", "database.ini", fuzz::readFile(own.toStdString()));
    seed("fuzz_settings", "odd.ini",
         "; a comment\n[Misc] \r\n Show Tips = Yes \nno equals sign\n[misc]\nshow tips=No\n");

    // List files.
    const QString list = QString::fromStdString(fuzz::scratchFile("MINE.001"));
    if (data::writeListFile(list, {"Bulgaria", "Greece", "Côte d'Ivoire"}).outcome !=
        data::ListFileWrite::Outcome::Written)
        return 1;
    seed("fuzz_list_file", "countries", fuzz::readFile(list.toStdString()));
    seed("fuzz_list_file", "mixed-ends", "Mint\nUsed\r\n   \n\nHinged\r\nno end");
    return 0;
}
