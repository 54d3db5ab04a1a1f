// StampGenerator: deterministic, realistic records for the 25-field stamp table, for benchmarks.
//
// Record i is a pure function of (seed, i): each record draws from its own splitmix64 stream, so
// a run over 1,000,000 records gives the same bytes on every machine and standard library, and
// any record can be regenerated on its own. The values look like a real collection: about 60
// countries with a few dominating, years 1840 to 2024, money with cents, blank dates and numbers
// here and there, text holding commas, double quotes and a few accented letters. All text is
// UTF-8 that Windows-1252 can store and fits its field.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Date.h"
#include "engine/Field.h"
#include "engine/Status.h"

namespace vz::engine {
class Table;
}

namespace vz::bench {

// splitmix64: tiny, fast and fully specified, so results do not depend on <random>.
class SplitMix64 {
public:
    explicit SplitMix64(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n), n > 0 (multiply-shift; the bias is far below what matters here).
    uint32_t below(uint32_t n) { return uint32_t(((next() >> 32) * uint64_t(n)) >> 32); }
    // Uniform in [lo, hi].
    int between(int lo, int hi) { return lo + int(below(uint32_t(hi - lo + 1))); }
    // True with probability percent / 100.
    bool chance(int percent) { return below(100) < uint32_t(percent); }

private:
    uint64_t state_;
};

// The columns of the stamp table, in file order.
enum StampField : int {
    Catalog, Descriptio, Country, FaceValue, MarketValu, Quantity, Year, Comments, Condition, Group,
    StampType, Cancellati, Topic, AcqDate, Cost, Gum, Color, Faults, Hinged, Miscellane, CatalogI,
    UserDef1, UserDef2, UserDef3, Wanted,
    kStampFieldCount
};

// One generated value: blank, text (UTF-8), a whole number, an amount in cents or a date.
struct StampValue {
    enum class Kind { Blank, Text, Whole, Cents, Date } kind = Kind::Blank;
    std::string text;
    int64_t number = 0;  // Whole: the number; Cents: the amount in hundredths
    engine::Date date;
};

struct StampRecord {
    std::array<StampValue, kStampFieldCount> values;
    const StampValue& operator[](int f) const { return values[size_t(f)]; }
    StampValue& operator[](int f) { return values[size_t(f)]; }
};

class StampGenerator {
public:
    static constexpr uint64_t kDefaultSeed = 0x5EEDF00D19970401ull;

    explicit StampGenerator(uint64_t seed = kDefaultSeed) : seed_(seed) {}

    // The field definitions of the stamp table (record length 786 bytes).
    static std::vector<engine::FieldDef> fields();
    // The countries drawn from, for choosing what a filter looks for.
    static const std::vector<std::string_view>& countries();

    // Fills `r` with record `index` (0-based); reuses its strings' storage.
    void generate(uint64_t index, StampRecord& r) const;

    // Starts a new record in `table` (append()), sets every non-blank value and posts it.
    static engine::Status appendTo(engine::Table& table, const StampRecord& r);

private:
    uint64_t seed_;
};

}  // namespace vz::bench
