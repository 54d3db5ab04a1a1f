#include "StampGenerator.h"

#include <algorithm>

#include "engine/Table.h"

namespace vz::bench {
namespace {

using engine::FieldDef;
using engine::Status;
using Kind = StampValue::Kind;

template <size_t N>
std::string_view pick(SplitMix64& rng, const std::string_view (&list)[N]) {
    return list[rng.below(uint32_t(N))];
}

// Countries by rough weight: a collection leans on a few countries and has a long tail. Each
// name appears once per weight unit in the draw table built below.
struct WeightedCountry {
    std::string_view name;
    int weight;
};
constexpr WeightedCountry kCountries[] = {
    {"United States", 40}, {"Germany", 30}, {"Great Britain", 30}, {"France", 25}, {"Canada", 18},
    {"Switzerland", 14}, {"Austria", 14}, {"Italy", 12}, {"Netherlands", 10}, {"Belgium", 9},
    {"Sweden", 8}, {"Norway", 7}, {"Denmark", 7}, {"Australia", 9}, {"New Zealand", 6},
    {"Japan", 8}, {"China", 6}, {"Russia", 7}, {"Poland", 5}, {"Czechoslovakia", 5},
    {"Hungary", 5}, {"Spain", 6}, {"Portugal", 4}, {"Brazil", 4}, {"Argentina", 3},
    {"Mexico", 4}, {"India", 4}, {"South Africa", 3}, {"Israel", 3}, {"Ireland", 3},
    {"Finland", 3}, {"Iceland", 2}, {"Greece", 3}, {"Turkey", 2}, {"Egypt", 2},
    {"Luxembourg", 2}, {"Liechtenstein", 3}, {"Monaco", 2}, {"San Marino", 2}, {"Vatican City", 2},
    {"Faroe Islands", 1}, {"Åland", 1}, {"Curaçao", 1}, {"Réunion", 1}, {"São Tomé", 1},
    {"Côte d'Ivoire", 1}, {"Hong Kong", 2}, {"Singapore", 1}, {"Malaysia", 1}, {"Thailand", 1},
    {"Korea", 1}, {"Chile", 1}, {"Peru", 1}, {"Colombia", 1}, {"Cuba", 1},
    {"Jamaica", 1}, {"Bermuda", 1}, {"Malta", 1}, {"Cyprus", 1}, {"Gibraltar", 1},
    {"Yugoslavia", 2}, {"Romania", 2}, {"Bulgaria", 1},
};

struct CountryTable {
    std::vector<std::string_view> names;  // each country once
    std::vector<uint8_t> draws;           // indices into names, repeated by weight
};

const CountryTable& countryTable() {
    static const CountryTable t = [] {
        CountryTable c;
        for (const WeightedCountry& w : kCountries) {
            for (int k = 0; k < w.weight; ++k) c.draws.push_back(uint8_t(c.names.size()));
            c.names.push_back(w.name);
        }
        return c;
    }();
    return t;
}

constexpr std::string_view kSubjects[] = {
    "Queen Victoria", "King George V", "King George VI", "Queen Elizabeth II", "Washington",
    "Franklin", "Lincoln", "Jefferson", "Liberty", "Germania", "Hindenburg", "Sower", "Marianne",
    "Ceres", "Peace and Commerce", "Helvetia", "Tell's son", "Arms", "Numeral", "Posthorn",
    "Lion", "Eagle", "Mercury", "Map", "Ship", "Locomotive", "Airplane", "Zeppelin",
    "Olympic Games", "UPU anniversary", "Red Cross", "Christmas", "Europa", "Flowers", "Birds",
    "Butterflies", "Castle", "Cathedral", "Bridge", "Lighthouse", "Portrait", "Landscape",
};
constexpr std::string_view kIssueKinds[] = {
    "Definitive", "Commemorative", "Airmail", "Postage due", "Official", "Semi-postal", "Express",
    "Newspaper", "Parcel post", "Charity", "Provisional", "Overprint",
};
constexpr std::string_view kColors[] = {
    "carmine", "red", "rose", "scarlet", "deep blue", "blue", "ultramarine", "green", "olive",
    "yellow-green", "brown", "red-brown", "sepia", "black", "gray", "violet", "purple", "lilac",
    "orange", "yellow", "bistre", "multicolored", "slate", "claret", "turquoise",
};
constexpr std::string_view kPerfs[] = {
    "perf 14", "perf 12", "perf 11½", "perf 13½", "perf 10", "imperf", "roulette", "perf 12 x 11",
    "perf 15 x 14", "wmk crown", "wmk multiple", "no wmk", "chalky paper", "granite paper",
};
constexpr std::string_view kConditions[] = {
    "Mint", "MNH", "MH", "Used", "CTO", "Fine", "F-VF", "VF", "XF", "Poor", "Good",
};
constexpr std::string_view kGroups[] = {
    "Definitives", "Commemoratives", "Airmail", "Postage Due", "Officials", "Semi-Postals",
    "Booklets", "Coils", "Revenues", "Postal Stationery", "Back of Book", "Locals",
};
constexpr std::string_view kStampTypes[] = {
    "Stamp", "Stamp", "Stamp", "Stamp", "Stamp", "Pair", "Block of 4", "Strip of 3", "Souvenir Sheet",
    "Mini Sheet", "FDC", "Cover", "Postal Card", "Booklet Pane", "Coil Pair", "Gutter Pair",
};
constexpr std::string_view kCancels[] = {
    "CDS", "Machine", "Pen", "Fancy", "Duplex", "Numeral", "Parcel", "Favour", "Railway", "Ship",
    "Slogan", "Killer", "Manuscript",
};
constexpr std::string_view kTopics[] = {
    "Royalty", "Presidents", "Birds", "Ships", "Trains", "Aircraft", "Space", "Flowers", "Sport",
    "Olympics", "Art", "Music", "Maps", "Architecture", "Fish", "Butterflies", "Scouting",
    "Christmas", "Europa", "Red Cross", "Famous People", "Heraldry", "Military", "Dogs & Cats",
};
constexpr std::string_view kGums[] = {"OG", "Full OG", "Part OG", "NG", "Regummed", "Tropical"};
constexpr std::string_view kHinged[] = {"Yes", "No", "Lightly", "Heavily", "Remnant"};
constexpr std::string_view kFaults[] = {
    "thin", "small thin at top", "short perf", "short perf at right", "crease", "light crease",
    "toned gum", "toned spot", "pulled perf", "tear", "closed tear, 2 mm", "stain",
    "rounded corner", "repaired", "pencil notation on back", "gum skip",
};
constexpr std::string_view kComments[] = {
    "Nice centering", "Well centered", "Bought at club auction", "From grandfather's album",
    "Duplicate, for trade", "Plate flaw, \"broken frame\" variety", "Shade variety, check",
    "Possible forgery", "Needs certificate", "Upgrade wanted", "Fresh color, sharp impression",
    "Part of set, 1 of 8", "Ex dealer stock", "Signed on back", "\"Specimen\" overprint",
    "Listed as \"scarce\" in catalogue", "Margins 4 sides", "Selvage with plate number",
    "Bought from Müller, Zürich", "Exchange with Ana Peña",
};
constexpr std::string_view kMisc[] = {
    "Plate no. 12, position 34", "Certificate: genuine, sound", "Ex collection of J. Lefèvre",
    "Mixed franking on cover", "Registered, with receiving mark", "Corner copy, sheet margin",
    "Printed by De La Rue", "Printed by Enschedé", "Shade listed as \"deep\"",
    "Watermark inverted", "Overprint double, one albino", "Jubilee line at bottom",
    "Perfin \"L&S\"", "Precancel, city type", "Tied to piece", "Flight cover, signed by pilot",
};
constexpr std::string_view kUserDefs[] = {
    "Album 1", "Album 2", "Album 3, page 12", "Stockbook blue", "Stockbook red", "Box A", "Box B",
    "Envelope 7", "Safe", "To sell", "Traded", "Gift from Zoë", "Show frame 3", "Scan done",
};
constexpr std::string_view kCatalogPrefixes[] = {"", "", "", "", "", "", "C", "B", "J", "O", "Q", "E"};

// Appends the decimal digits of `n` (n >= 0), zero-padded to `minDigits`.
void appendInt(std::string& out, int n, int minDigits = 1) {
    char buf[12];
    int i = sizeof buf;
    do {
        buf[--i] = char('0' + n % 10);
        n /= 10;
    } while (n > 0 || int(sizeof buf) - i < minDigits);
    out.append(buf + i, sizeof buf - size_t(i));
}

// Appends a face value: a currency-flavoured denomination, sometimes with ½ or the euro sign.
void appendFaceValue(SplitMix64& rng, int year, std::string& out) {
    int n = rng.between(1, 12);
    if (rng.chance(20)) n *= 10;
    switch (rng.below(7)) {
        case 0: appendInt(out, n); out += 'c'; break;
        case 1: appendInt(out, n); out += rng.chance(15) ? "½d" : "d"; break;
        case 2: appendInt(out, n * 5); out += " Pf"; break;
        case 3: appendInt(out, n); out += " Fr"; break;
        case 4: appendInt(out, n); out += " Kr"; break;
        case 5: appendInt(out, n); out += "/-"; break;
        default:
            if (year >= 2002) {
                out += "€";
                appendInt(out, n / 10);
                out += '.';
                appendInt(out, rng.between(0, 19) * 5, 2);
            } else {
                appendInt(out, n * 5);
                out += " cts";
            }
            break;
    }
}

// An amount in cents spread over five orders of magnitude, most of it cheap.
int64_t money(SplitMix64& rng) {
    const int decade = int(rng.below(100));
    int64_t max = decade < 45 ? 100 : decade < 80 ? 1000 : decade < 95 ? 10000 : decade < 99 ? 100000 : 2000000;
    return 5 + int64_t(rng.next() % uint64_t(max * 100));
}

// Cuts UTF-8 text to `width` characters: every character of it is one byte in Windows-1252.
void fit(std::string& s, int width) {
    if (s.size() <= size_t(width)) {  // no more characters than bytes: it fits
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return;
    }
    int chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((uint8_t(s[i]) & 0xC0) == 0x80) continue;
        if (chars++ == width) {
            s.resize(i);
            break;
        }
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
}

void setText(StampValue& v, std::string_view s) {
    v.kind = Kind::Text;
    v.text.assign(s);
}

}  // namespace

std::vector<FieldDef> StampGenerator::fields() {
    return {
        FieldDef::text("Catalog", 12),    FieldDef::text("Descriptio", 110), FieldDef::text("Country", 20),
        FieldDef::text("FaceValue", 20),  FieldDef::floating("MarketValu"),  FieldDef::whole("Quantity"),
        FieldDef::whole("Year"),          FieldDef::text("Comments", 110),   FieldDef::text("Condition", 9),
        FieldDef::text("Group", 20),      FieldDef::text("StampType", 16),   FieldDef::text("Cancellati", 13),
        FieldDef::text("Topic", 20),      FieldDef::date("Date"),            FieldDef::floating("Cost"),
        FieldDef::text("Gum", 8),         FieldDef::text("Color", 16),       FieldDef::text("Faults", 90),
        FieldDef::text("Hinged", 7),      FieldDef::text("Miscellane", 110), FieldDef::whole("CatalogI"),
        FieldDef::text("UserDef1", 40),   FieldDef::text("UserDef2", 40),    FieldDef::text("UserDef3", 40),
        FieldDef::text("Wanted", 3),
    };
}

const std::vector<std::string_view>& StampGenerator::countries() { return countryTable().names; }

void StampGenerator::generate(uint64_t index, StampRecord& r) const {
    SplitMix64 rng(seed_ ^ (index * 0xD1B54A32D192ED03ull));
    rng.next();
    for (StampValue& v : r.values) {
        v.kind = Kind::Blank;
        v.text.clear();
    }
    const CountryTable& ct = countryTable();

    // Country and year first: the rest leans on them.
    const std::string_view country = ct.names[ct.draws[rng.below(uint32_t(ct.draws.size()))]];
    setText(r[Country], country);
    // Years weighted towards the 20th century: the later of two uniform draws, now and then
    // the classic era.
    const int y1 = rng.between(1840, 2024);
    const int y2 = rng.between(1840, 2024);
    int year = std::max(y1, y2);
    if (rng.chance(10)) year = rng.between(1840, 1900);
    if (rng.chance(3)) {
        r[Year].kind = Kind::Blank;
    } else {
        r[Year].kind = Kind::Whole;
        r[Year].number = year;
    }

    // Catalogue numbers: a section letter now and then, a number, sometimes a minor letter.
    // (Each draw is its own statement so the order of draws is fixed.)
    const std::string_view prefix = pick(rng, kCatalogPrefixes);
    const int number = rng.between(1, 3200);
    const char* minor = rng.chance(15) ? (rng.chance(50) ? "a" : "b") : "";
    StampValue& catalog = r[Catalog];
    catalog.kind = Kind::Text;
    catalog.text = prefix;
    appendInt(catalog.text, number);
    catalog.text += minor;

    StampValue& face = r[FaceValue];
    face.kind = Kind::Text;
    appendFaceValue(rng, year, face.text);
    fit(face.text, 20);

    const std::string_view color = pick(rng, kColors);
    StampValue& desc = r[Descriptio];
    desc.kind = Kind::Text;
    desc.text = pick(rng, kIssueKinds);
    desc.text += ": ";
    desc.text += pick(rng, kSubjects);
    desc.text += ", ";
    desc.text += face.text;
    desc.text += ' ';
    desc.text += color;
    if (rng.chance(60)) {
        desc.text += ", ";
        desc.text += pick(rng, kPerfs);
    }
    if (rng.chance(8)) desc.text += ", \"error\" listed";
    fit(desc.text, 110);

    if (rng.chance(90)) {
        r[MarketValu].kind = Kind::Cents;
        r[MarketValu].number = money(rng);
    }
    if (rng.chance(95)) {
        r[Quantity].kind = Kind::Whole;
        r[Quantity].number = rng.chance(80) ? 1 : rng.between(2, 50);
    }
    if (rng.chance(35)) {
        StampValue& c = r[Comments];
        c.kind = Kind::Text;
        c.text = pick(rng, kComments);
        if (rng.chance(30)) {
            c.text += "; ";
            c.text += pick(rng, kComments);
        }
        fit(c.text, 110);
    }
    setText(r[Condition], pick(rng, kConditions));
    setText(r[Group], pick(rng, kGroups));
    setText(r[StampType], pick(rng, kStampTypes));
    if (rng.chance(55)) setText(r[Cancellati], pick(rng, kCancels));
    setText(r[Topic], pick(rng, kTopics));
    if (rng.chance(85)) {
        StampValue& d = r[AcqDate];
        d.kind = Kind::Date;
        d.date.year = rng.between(1975, 2024);
        d.date.month = rng.between(1, 12);
        d.date.day = rng.between(1, d.date.month == 2 ? 28 : 30);
    }
    if (rng.chance(70)) {
        r[Cost].kind = Kind::Cents;
        r[Cost].number = money(rng);
    }
    if (rng.chance(60)) setText(r[Gum], pick(rng, kGums));
    setText(r[Color], color);
    if (rng.chance(20)) {
        StampValue& f = r[Faults];
        f.kind = Kind::Text;
        f.text = pick(rng, kFaults);
        if (rng.chance(25)) {
            f.text += ", ";
            f.text += pick(rng, kFaults);
        }
        fit(f.text, 90);
    }
    if (rng.chance(70)) setText(r[Hinged], pick(rng, kHinged));
    if (rng.chance(15)) setText(r[Miscellane], pick(rng, kMisc));
    if (rng.chance(90)) {
        r[CatalogI].kind = Kind::Whole;
        r[CatalogI].number = rng.between(1, 12);
    }
    if (rng.chance(40)) setText(r[UserDef1], pick(rng, kUserDefs));
    if (rng.chance(10)) setText(r[UserDef2], pick(rng, kUserDefs));
    if (rng.chance(3)) setText(r[UserDef3], pick(rng, kUserDefs));
    setText(r[Wanted], rng.chance(8) ? "Yes" : "No");

    // Every text within its width, whatever the lists above hold.
    static const std::vector<FieldDef> defs = fields();
    for (int f = 0; f < kStampFieldCount; ++f)
        if (r[f].kind == Kind::Text) fit(r[f].text, defs[size_t(f)].width);
}

Status StampGenerator::appendTo(engine::Table& table, const StampRecord& r) {
    VZ_RETURN_IF_ERROR(table.append());
    for (int f = 0; f < kStampFieldCount; ++f) {
        const StampValue& v = r[f];
        switch (v.kind) {
            case Kind::Blank: break;  // a new record starts blank
            case Kind::Text: VZ_RETURN_IF_ERROR(table.setText(f, v.text)); break;
            case Kind::Whole: VZ_RETURN_IF_ERROR(table.setWhole(f, v.number)); break;
            case Kind::Cents: VZ_RETURN_IF_ERROR(table.setFloat(f, double(v.number) / 100.0)); break;
            case Kind::Date: VZ_RETURN_IF_ERROR(table.setDate(f, v.date)); break;
        }
    }
    return table.post();
}

}  // namespace vz::bench
