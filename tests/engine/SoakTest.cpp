// Two processes add, edit and delete records of one indexed table while a third walks it in
// order, for a bounded time: a few seconds, or VZ_SOAK_SECONDS. Afterwards the table passes the
// full check and holds exactly what each writer did.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "TestSupport.h"
#include "engine/TableCheck.h"

using namespace vz::engine;
using namespace vz::engine::test;

namespace {

const std::vector<FieldDef> kFields = {FieldDef::text("WHO", 1), FieldDef::whole("SEQ"),
                                       FieldDef::text("NAME", 40), FieldDef::whole("VER")};
enum { kWho, kSeq, kName, kVer };

double soakSeconds() {
    const char* s = std::getenv("VZ_SOAK_SECONDS");
    const double v = s != nullptr ? std::atof(s) : 0;
    return v > 0 ? v : 3;
}

using Clock = std::chrono::steady_clock;

// What one writer did, and what it expects of its records: SEQ -> (NAME, VER) of each live one.
struct WriterLog {
    int adds = 0, edits = 0, deletes = 0;
    std::map<int64_t, std::pair<std::string, int64_t>> live;
    std::string error;
};

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// A writer: appends (half of the time), edits or deletes one of its own live records at random
// until the deadline, and writes its log to `logPath`: the counts, then one line per live record.
int writer(const std::string& path, char who, unsigned seed, Clock::time_point until,
           const std::string& logPath) {
    WriterLog log;
    std::map<int64_t, uint32_t> recordOf;  // SEQ -> record number
    std::mt19937 random(seed);
    auto fail = [&](const std::string& what, const Status& s) {
        log.error = what + ": " + s.message();
    };
    auto opened = Table::open(path, OpenMode::Shared);
    if (!opened) {
        fail("open", opened.status());
    } else {
        Table& t = **opened;
        int64_t seq = 0;
        while (Clock::now() < until && log.error.empty()) {
            const int dice = int(random() % 4);
            const std::string name =
                std::string(1, char('a' + random() % 26)) + std::to_string(random() % 1000);
            if (dice < 2 || recordOf.empty()) {
                ++seq;
                Status s = t.append();
                if (s) s = t.setText(kWho, std::string(1, who));
                if (s) s = t.setWhole(kSeq, seq);
                if (s) s = t.setText(kName, name);
                if (s) s = t.setWhole(kVer, 0);
                if (s) s = t.post();
                if (!s)
                    fail("append", s);
                else {
                    ++log.adds;
                    recordOf[seq] = t.recNo();
                    log.live[seq] = {name, 0};
                }
                continue;
            }
            auto it = recordOf.begin();
            std::advance(it, random() % recordOf.size());
            const int64_t which = it->first;
            Status s = t.go(it->second);
            if (!s) {
                fail("go " + std::to_string(it->second), s);
            } else if (dice == 2) {
                const int64_t ver = log.live[which].second + 1;
                s = t.edit();
                if (s) s = t.setText(kName, name);
                if (s) s = t.setWhole(kVer, ver);
                if (s) s = t.post();
                if (!s)
                    fail("edit", s);
                else {
                    ++log.edits;
                    log.live[which] = {name, ver};
                }
            } else {
                s = t.deleteRecord();
                if (!s)
                    fail("delete", s);
                else {
                    ++log.deletes;
                    log.live.erase(which);
                    recordOf.erase(it);
                }
            }
        }
    }
    std::ofstream out(logPath);
    out << log.adds << ' ' << log.edits << ' ' << log.deletes << '\n' << log.error << '\n';
    for (const auto& [s, v] : log.live) out << s << ' ' << v.second << ' ' << v.first << '\n';
    return log.error.empty() ? 0 : 1;
}

WriterLog readLog(const std::string& logPath) {
    WriterLog log;
    std::ifstream in(logPath);
    in >> log.adds >> log.edits >> log.deletes;
    in.ignore(1);
    std::getline(in, log.error);
    int64_t seq = 0, ver = 0;
    std::string name;
    while (in >> seq >> ver >> name) log.live[seq] = {name, ver};
    return log;
}

// The reader: walks the table in the order of NEWINDEX again and again until the deadline,
// checking that the names come in order, and writes how many walks it made over how many records,
// how many problems it met, and the first 20 of them, one per line. A record edited while the
// reader stands on it moves in the order, and the next step goes on from where it moved to: the
// walk may then go back. Only a step back from a record that was not changed meanwhile is a
// problem.
int reader(const std::string& path, Clock::time_point until, const std::string& logPath) {
    int walks = 0, records = 0, count = 0;
    std::vector<std::string> problems;
    auto problem = [&](const std::string& what) {
        if (count++ < 20) problems.push_back(what);
    };
    auto upper = [](std::string s) {
        for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    auto opened = Table::open(path, OpenMode::Shared);
    if (!opened) problem("open: " + opened.status().message());
    std::vector<std::string> now;
    while (opened && Clock::now() < until) {
        Table& t = **opened;
        Status s = t.refresh();
        if (s) s = t.setOrder("NEWINDEX");
        std::string lastName, lastVer;
        uint32_t lastRec = 0;
        for (; s && !t.eof(); s = t.next()) {
            const std::string name = upper(trimmed(t.text(kName)));
            if (name < lastName && t.readRecordTexts(lastRec, now) &&
                upper(trimmed(now[kName])) == lastName && now[kVer] == lastVer)
                problem("the walk went back from " + lastName + " (record " +
                        std::to_string(lastRec) + ", unchanged) to " + name + " (record " +
                        std::to_string(t.recNo()) + ")");
            lastName = name;
            lastVer = t.text(kVer);
            lastRec = t.recNo();
            ++records;
        }
        if (!s) problem(s.message());
        ++walks;
    }
    std::ofstream out(logPath);
    out << walks << ' ' << records << ' ' << count << '\n';
    for (const std::string& p : problems) out << p << '\n';
    return 0;
}

struct SoakResult {
    WriterLog a, b;
    int walks = 0, walkedRecords = 0, readerProblemCount = 0;
    std::vector<std::string> readerProblems;  // the first 20
    std::map<char, std::map<int64_t, std::pair<std::string, int64_t>>>
        found;  // WHO -> live records
    uint32_t records = 0, deleted = 0;
    std::vector<std::string> checkProblems;
    std::string setupError;
};

SoakResult soak(const TempFolder& folder) {
    SoakResult r;
    auto failed = [&r](std::string why) {
        r.setupError = std::move(why);
        return r;
    };
    const std::string path = folder.file("SOAK.DBF");
    if (Status s = Table::create(path, kFields); !s) return failed(s.message());
    {
        auto t = Table::open(path, OpenMode::Exclusive);
        if (!t) return failed(t.status().message());
        Status s = (*t)->addTag("NEWINDEX", "UPPER(NAME)");
        if (s) s = (*t)->addTag("BYWHO", "WHO+STR(SEQ,11,0)");
        if (!s) return failed(s.message());
    }
    const auto until = Clock::now() + std::chrono::milliseconds(int64_t(soakSeconds() * 1000));
    const pid_t a = startChild([&] { return writer(path, 'A', 1, until, folder.file("A.log")); });
    const pid_t b = startChild([&] { return writer(path, 'B', 2, until, folder.file("B.log")); });
    const pid_t c = startChild([&] { return reader(path, until, folder.file("R.log")); });
    waitChild(a);
    waitChild(b);
    waitChild(c);
    r.a = readLog(folder.file("A.log"));
    r.b = readLog(folder.file("B.log"));
    std::ifstream in(folder.file("R.log"));
    in >> r.walks >> r.walkedRecords >> r.readerProblemCount;
    in.ignore(1);
    for (std::string line; std::getline(in, line);) r.readerProblems.push_back(line);

    Result<CheckReport> report = checkTable(path);
    if (!report) return failed(report.status().message());
    r.checkProblems = report->problems;
    r.records = report->records;
    r.deleted = report->deleted;
    auto t = Table::open(path, OpenMode::Shared);
    if (!t) return failed(t.status().message());
    if (Status s = (*t)->checkIndex(r.checkProblems); !s) r.checkProblems.push_back(s.message());
    for (Status s = (*t)->first(); s && !(*t)->eof(); s = (*t)->next()) {
        const std::string who = (*t)->text(kWho);
        r.found[who.empty() ? '?' : who[0]][*(*t)->wholeNumber(kSeq)] = {trimmed((*t)->text(kName)),
                                                                         *(*t)->wholeNumber(kVer)};
    }
    return r;
}

class Soak : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        result_ = new SoakResult(soak(*folder_));
        const SoakResult& r = *result_;
        std::printf(
            "soak %.0f s: writer A %d adds, %d edits, %d deletes; writer B %d adds, %d edits, %d "
            "deletes; "
            "reader %d walks over %d records, %d problems; table %u records, %u deleted\n",
            soakSeconds(), r.a.adds, r.a.edits, r.a.deletes, r.b.adds, r.b.edits, r.b.deletes,
            r.walks, r.walkedRecords, r.readerProblemCount, r.records, r.deleted);
    }
    static void TearDownTestSuite() {
        delete result_;
        delete folder_;
    }
    static TempFolder* folder_;
    static SoakResult* result_;
};

TempFolder* Soak::folder_ = nullptr;
SoakResult* Soak::result_ = nullptr;

TEST_F(Soak, EveryWritersChangesAreThereAndTheTableChecks) {
    const SoakResult& r = *result_;
    ASSERT_EQ(r.setupError, "");
    EXPECT_EQ(r.a.error, "");
    EXPECT_EQ(r.b.error, "");
    EXPECT_GT(r.a.adds, 0);
    EXPECT_GT(r.b.adds, 0);
    EXPECT_EQ(r.checkProblems, std::vector<std::string>{});
    EXPECT_EQ(r.records, uint32_t(r.a.adds + r.b.adds));
    EXPECT_EQ(r.deleted, uint32_t(r.a.deletes + r.b.deletes));
    EXPECT_EQ(r.found.count('?'), 0u);
    EXPECT_TRUE(r.found.count('A') ? r.found.at('A') == r.a.live : r.a.live.empty());
    EXPECT_TRUE(r.found.count('B') ? r.found.at('B') == r.b.live : r.b.live.empty());
}

TEST_F(Soak, TheReaderWalksInOrderAndMeetsNoFalseDamage) {
    const SoakResult& r = *result_;
    ASSERT_EQ(r.setupError, "");
    EXPECT_GT(r.walks, 0);
    std::string seen;
    for (const std::string& p : r.readerProblems) seen += "\n  " + p;
    EXPECT_EQ(r.readerProblemCount, 0) << seen;
}

}  // namespace
