// vazovi-cli stats: the collection's totals and breakdowns as text and as JSON.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdlib>

#include "CliCommands.h"
#include "CliRun.h"
#include "DelimitedText.h"

using namespace vz::cli;
using namespace vz::cli::test;

namespace {

// A record line for "append": country, market value, quantity, year, condition, purchase date,
// cost and wanted; empty texts are blank fields.
std::string row(const std::string& country, const std::string& value, const std::string& quantity,
                const std::string& year, const std::string& condition, const std::string& date,
                const std::string& cost, const std::string& wanted) {
    std::vector<std::string> v(25);
    v[2] = country, v[4] = value, v[5] = quantity, v[6] = year, v[8] = condition;
    v[13] = date, v[14] = cost, v[24] = wanted;
    std::string line;
    for (size_t i = 0; i < v.size(); ++i) line += std::string(i ? "," : "") + vz::cli::quoted(v[i]);
    return line + "\n";
}

class CliStats : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid() && configDir.isValid() && work.isValid());
        ::setenv("VAZOVI_PROGRAM_DIR", programDir.path().toLocal8Bit().constData(), 1);
        ::setenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit().constData(), 1);
        table = work.filePath(QStringLiteral("COLL.DBF")).toStdString();
        ASSERT_EQ(cli({"create", table}).code, kOk);
        const CliRun a = cli({"append", table},
                             row("Peru", "1234.5", "2", "1962", "Mint", "2024-02-29", "100", "No") +
                                 row("France", "3", "1", "1968", "Used", "", "1.25", "Yes") +
                                 row("", "0.25", "4", "", "", "2019-07-01", "0.1", "No") +
                                 row("France", "5", "0", "1871", "Used", "2024-01-02", "2", "") +
                                 row("Peru", "7", "", "1962", "Mint", "2024-05-05", "3", "Yes"));
        ASSERT_EQ(a.code, kOk) << a.err;
    }

    QTemporaryDir programDir, configDir, work;
    std::string table;
};

QJsonObject rowLabelled(const QJsonArray& rows, const QString& label) {
    for (const QJsonValue& r : rows)
        if (r.toObject().value("label").toString() == label) return r.toObject();
    ADD_FAILURE() << "no row " << label.toStdString();
    return {};
}

TEST_F(CliStats, JsonHoldsTheTotalsAndEveryBreakdown) {
    const CliRun r = cli({"stats", table, "--json"});
    ASSERT_EQ(r.code, kOk) << r.err;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    const QJsonObject root = doc.object();
    const QJsonObject totals = root.value("totals").toObject();
    // Quantities 2 + 1 + 4 + 0 + blank; each amount counts once per stamp.
    EXPECT_EQ(totals.value("records").toInt(), 5);
    EXPECT_EQ(totals.value("stamps").toDouble(), 7);
    EXPECT_DOUBLE_EQ(totals.value("marketValue").toDouble(), 2469 + 3 + 1);
    EXPECT_DOUBLE_EQ(totals.value("purchasePrice").toDouble(), 200 + 1.25 + 0.4);
    EXPECT_DOUBLE_EQ(totals.value("difference").toDouble(), 2473 - 201.65);
    EXPECT_EQ(totals.value("wantedRecords").toInt(), 2);

    const QJsonArray countries = root.value("byCountry").toArray();
    ASSERT_EQ(countries.size(), 3);
    EXPECT_EQ(countries[0].toObject().value("label").toString(), QStringLiteral("Peru"));
    EXPECT_EQ(countries[0].toObject().value("records").toInt(), 2);
    EXPECT_EQ(rowLabelled(countries, "(none)").value("stamps").toDouble(), 4);
    EXPECT_EQ(rowLabelled(root.value("byDecade").toArray(), "1960s").value("records").toInt(), 3);
    EXPECT_EQ(rowLabelled(root.value("byDecade").toArray(), "(none)").value("records").toInt(), 1);
    EXPECT_DOUBLE_EQ(rowLabelled(root.value("byPurchaseYear").toArray(), "2024")
                         .value("purchasePrice")
                         .toDouble(),
                     200);
    EXPECT_EQ(
        rowLabelled(root.value("byPurchaseYear").toArray(), "(none)").value("records").toInt(), 1);
    EXPECT_EQ(rowLabelled(root.value("byCondition").toArray(), "Used").value("records").toInt(), 2);
    EXPECT_EQ(rowLabelled(root.value("byCondition").toArray(), "(none)").value("records").toInt(),
              1);
}

TEST_F(CliStats, TextIsAlignedInTheMoneyFormat) {
    const CliRun r = cli({"stats", table});
    ASSERT_EQ(r.code, kOk) << r.err;
    EXPECT_NE(r.out.find("  Market value    2,473.00\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  Wanted records         2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Market value by country\n"
                         "  Country  Records  Stamps  Market value  Purchase price\n"
                         "  Peru           2       2      2,469.00          200.00\n"),
              std::string::npos)
        << r.out;
}

TEST_F(CliStats, ASearchLimitsTheFiguresToTheRecordsItFinds) {
    const auto totals = [](const CliRun& r) {
        return QJsonDocument::fromJson(QByteArray::fromStdString(r.out))
            .object()
            .value("totals")
            .toObject();
    };
    const CliRun peru = cli({"stats", table, "--search", "Country~peru", "--json"});
    ASSERT_EQ(peru.code, kOk) << peru.err;
    EXPECT_EQ(totals(peru).value("records").toInt(), 2);
    EXPECT_EQ(totals(peru).value("stamps").toDouble(), 2);  // 2 and a blank quantity
    EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(peru.out))
                    .object()
                    .value("search")
                    .toBool());

    // Either level: Peru, or issued after 1965 (Peru 1975, France 1968); options in any order.
    const CliRun either =
        cli({"stats", table, "--json", "--search", "Country~peru", "--or", "Year>1965"});
    ASSERT_EQ(either.code, kOk) << either.err;
    EXPECT_EQ(totals(either).value("records").toInt(), 3);

    const CliRun text = cli({"stats", table, "--search", "Wanted~yes"});
    ASSERT_EQ(text.code, kOk) << text.err;
    EXPECT_NE(text.out.find("(search result)\n  Records            2\n"), std::string::npos)
        << text.out;

    const CliRun bad = cli({"stats", table, "--search", "Nonsense~x"});
    EXPECT_EQ(bad.code, kUsage);
    EXPECT_TRUE(bad.out.empty());
}

TEST_F(CliStats, BadArgumentsAreUsageErrorsAndAMissingFileFails) {
    EXPECT_EQ(cli({"stats"}).code, kUsage);
    EXPECT_EQ(cli({"stats", table, "--frobnicate"}).code, kUsage);
    EXPECT_EQ(cli({"stats", table, "--search"}).code, kUsage);
    const CliRun missing = cli({"stats", work.filePath("NONE.DBF").toStdString()});
    EXPECT_EQ(missing.code, kFailed);
    EXPECT_NE(missing.err.find("NONE.DBF"), std::string::npos);
    EXPECT_TRUE(missing.out.empty());
}

}  // namespace
