// A running program over a fresh MASTER.DBF in a temporary program folder, with the host the
// exclusive operations use, and helpers to fill and read the collection.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "TempFolder.h"
#include "common/ScriptedInteraction.h"
#include "engine/Table.h"
#include "app/Program.h"
#include "main/ProgramHost.h"

namespace vz::test {

class CollectionFixture : public ::testing::Test {
protected:
    void SetUp() override {
        program =
            std::make_unique<mainwin::Program>(dir.path(), dir.file("config/DUZEZIVA.INI"), ui);
        ASSERT_TRUE(program->startUp());
        host = std::make_unique<mainwin::ProgramHost>(*program);
    }
    void TearDown() override {
        host.reset();
        program.reset();
    }

    engine::Table& table() { return *program->database().table(); }
    QString tablePath() { return program->database().tablePath(); }

    // Appends a record with these fields (stored name to text).
    void add(const std::map<std::string, std::string>& values) {
        engine::Table& t = table();
        ASSERT_TRUE(t.append().isOk());
        for (const auto& [name, text] : values) {
            const int f = t.fieldIndex(name);
            ASSERT_GE(f, 0) << name;
            if (t.field(f).type == engine::FieldType::Date) {
                engine::Date d;
                ASSERT_TRUE(engine::Date::parse(text, d)) << text;
                ASSERT_TRUE(t.setDate(f, d).isOk());
            } else {
                ASSERT_TRUE(t.setText(f, text).isOk()) << name << "=" << text;
            }
        }
        ASSERT_TRUE(t.post().isOk());
    }

    // The trimmed text of `name` in every live record, in stored order.
    std::vector<std::string> column(const std::string& name) {
        auto t = engine::Table::open(tablePath().toStdString(), engine::OpenMode::Shared);
        EXPECT_TRUE(t.isOk());
        std::vector<std::string> out;
        if (!t) return out;
        const int f = (*t)->fieldIndex(name);
        for (auto s = (*t)->first(); s.isOk() && !(*t)->eof() && (*t)->hasRecord();
             s = (*t)->next()) {
            std::string v = (*t)->text(f);
            while (!v.empty() && v.back() == ' ') v.pop_back();
            out.push_back(v);
        }
        return out;
    }

    std::vector<QString> texts() const {
        std::vector<QString> out;
        for (const Message& m : ui.messages()) out.push_back(m.text);
        return out;
    }
    bool shown(const QString& prefix) const {
        for (const Message& m : ui.messages())
            if (m.text.startsWith(prefix)) return true;
        return false;
    }

    TempFolder dir;
    ScriptedInteraction ui;
    std::unique_ptr<mainwin::Program> program;
    std::unique_ptr<mainwin::ProgramHost> host;
};

}  // namespace vz::test
