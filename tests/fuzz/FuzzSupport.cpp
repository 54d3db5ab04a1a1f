#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/Table.h"

namespace vz::fuzz {
namespace {

void removeScratch() {
    std::error_code ec;
    std::filesystem::remove_all(scratchFolder(), ec);
}

[[noreturn]] void broken(const std::string& what) {
    std::fprintf(stderr, "fuzz setup: %s\n", what.c_str());
    std::abort();
}

}  // namespace

const std::string& scratchFolder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/vz-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            broken("cannot make a scratch folder in " + pattern);
        return pattern;
    }();
    static const bool cleaned = [] { return std::atexit(removeScratch) == 0; }();
    (void)cleaned;
    return folder;
}

std::string scratchFile(const std::string& name) {
    return scratchFolder() + "/" + name;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    if (!out) broken("cannot write " + path);
}

void writeFile(const std::string& path, const std::string& bytes) {
    writeFile(path, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<engine::FieldDef>& fixedFields() {
    using engine::FieldDef;
    static const std::vector<FieldDef> fields = {
        FieldDef::text("NAME", 30),
        FieldDef::whole("YEAR"),
        FieldDef::floating("PRICE"),
        FieldDef::date("BOUGHT"),
        FieldDef::text("COUNTRY", 12),
        {"WANTED", engine::FieldType::Logical, 1, 0},
        {"RATE", engine::FieldType::Float, 10, 3},
    };
    return fields;
}

void makeFixedTable(const std::string& path) {
    using namespace engine;
    Status s = Table::create(path, fixedFields());
    if (!s) broken(s.message());
    Result<std::unique_ptr<Table>> opened = Table::open(path, OpenMode::Exclusive);
    if (!opened) broken(opened.status().message());
    Table& t = **opened;
    for (int i = 0; i < 60; ++i) {
        s = t.append();
        if (s) s = t.setText(0, (i % 3 == 0 ? "stamp " : "Block ") + std::to_string((i * 7) % 60));
        if (s) s = t.setWhole(1, 1840 + (i * 13) % 180);
        if (s) s = t.setFloat(2, i * 1.25 - 10);
        if (s && i % 5 != 0) s = t.setDate(3, Date{1990 + i % 30, 1 + i % 12, 1 + i % 28});
        if (s) s = t.setText(4, i % 2 ? "Bulgaria" : "Greece");
        if (s) s = t.setText(5, i % 2 ? "T" : "F");
        if (s) s = t.setFloat(6, i / 8.0);
        if (s) s = t.post();
        if (!s) broken(s.message());
    }
    s = t.addTag("NEWINDEX", "UPPER(NAME)");
    if (s) s = t.addTag("BYYEAR", "STR(YEAR,11,0)+COUNTRY");
    if (s) s = t.addTag("BYDATE", "BOUGHT");
    if (s) s = t.go(17);
    if (s) s = t.deleteRecord();
    if (!s) broken(s.message());
}

}  // namespace vz::fuzz
