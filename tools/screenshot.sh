#!/usr/bin/env bash
# Takes docs/screenshot-main.png: the main window showing a sample collection of 200 stamps.
#
#   tools/screenshot.sh [BUILD_FOLDER]      (default: build)
#
# Builds nothing: run tools/setup.sh (or cmake) first. The program runs with its program folder
# and settings in a temporary folder, so your own collection and settings are never touched. It
# runs under Xvfb when xvfb-run is installed, else on Qt's offscreen platform, and saves the
# picture itself (VAZOVI_SCREENSHOT), so no screen-capture tool is needed.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
vazovi=$build/vazovi
cli=$build/vazovi-cli
out=docs/screenshot-main.png
for exe in "$vazovi" "$cli"; do
  [ -x "$exe" ] || { echo "screenshot.sh: $exe is missing; build first (tools/setup.sh)" >&2; exit 1; }
done
command -v python3 >/dev/null || { echo "screenshot.sh: python3 is needed for the sample data" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
program=$work/program
config=$work/config
mkdir -p "$program" "$config/kestrelhouse" "$work/data"

# The sample collection: 200 stamps, the same ones every run.
"$cli" create "$program/MASTER.DBF" >/dev/null
python3 - <<'PY' | "$cli" append "$program/MASTER.DBF"
import random
random.seed(97)
countries = {  # currency unit; issues with the years they ran
    "Great Britain": ("d", [("Queen Victoria", 1870, 1900), ("King George V", 1912, 1935), ("Machin", 1967, 1995)]),
    "United States": ("c", [("Washington", 1870, 1920), ("Famous Americans", 1940, 1940), ("Liberty", 1954, 1965)]),
    "France": ("F", [("Sower", 1906, 1937), ("Marianne", 1945, 1995), ("Tourism", 1954, 1990)]),
    "Germany": ("Pf", [("Germania", 1900, 1922), ("Hindenburg", 1933, 1936), ("Posthorn", 1951, 1952)]),
    "Switzerland": ("c", [("Helvetia", 1882, 1907), ("Tell", 1907, 1933), ("Pro Juventute", 1913, 1995)]),
    "Canada": ("c", [("Maple Leaf", 1897, 1898), ("Wildlife", 1953, 1964), ("Centennial", 1967, 1973)]),
    "Australia": ("d", [("Kangaroo and Map", 1913, 1945), ("Koala", 1937, 1949), ("Navigators", 1963, 1965)]),
    "Japan": ("y", [("Chrysanthemum", 1899, 1908), ("Cranes", 1952, 1960), ("National Parks", 1936, 1974)]),
    "Italy": ("L", [("Italia Turrita", 1945, 1948), ("Siracusana", 1953, 1977), ("Michelangelo", 1961, 1961)]),
    "Netherlands": ("c", [("Queen Wilhelmina", 1899, 1948), ("Numeral", 1946, 1995), ("Child Welfare", 1924, 1995)]),
}
topics = ["Birds", "Ships", "Royalty", "Art", "Architecture", "Aircraft", "Flowers", "Animals", "Sports", ""]
conditions = ["Mint", "Used", "Used", "VF", "F-VF", "XF", "On Cover"]
groups = ["Main Collection", "Main Collection", "Duplicates", "Trading Stock"]
types = ["Definitive", "Definitive", "Commemorative", "Airmail", "Semi-Postal", "Souvenir Sheet"]
cancels = ["Unused", "CDS", "Machine", "Slogan", "First Day"]
gums = ["OG", "Full OG", "No Gum", ""]
colors = ["Multicolored", "Black", "Blue", "Green", "Red", "Carmine", "Violet", "Brown"]
hinged = ["NH", "LH", "Hinged", ""]
faults = ["", "", "", "", "Thin", "Short Perf", "Crease"]
miscs = ["", "", "", "Pair", "Block of Four", "Plate Block", "Margin Copy"]

def q(v):
    return '"' + str(v).replace('"', '""') + '"'

for i in range(200):
    country = random.choice(list(countries))
    unit, issues = countries[country]
    issue, first, last = random.choice(issues)
    year = random.randint(first, last)
    number = random.randint(1, 2400)
    wanted = random.random() < 0.1
    price = round(random.uniform(0.1, 40.0), 2)
    value = round(price * random.uniform(0.6, 3.0), 2)
    condition = random.choice(conditions)
    quantity = 0 if wanted else random.choice([1, 1, 1, 2, 4])
    bought = "%04d-%02d-%02d" % (random.randint(1975, 1997), random.randint(1, 12), random.randint(1, 28))
    row = [
        "%d%s" % (number, random.choice(["", "", "", "a", "b"])),
        "%s %d %s" % (issue, year, random.choice(["issue", "series", "set value"])),
        country,
        "%d%s" % (random.choice([1, 2, 3, 5, 10, 20, 25, 50]), unit),
        "%.2f" % value,
        quantity,
        year,
        random.choice(["", "", "Bought at the spring fair", "From a club circuit book", "Nice centering"]),
        condition,
        random.choice(groups),
        random.choice(types),
        "Unused" if condition == "Mint" else random.choice(cancels),
        random.choice(topics),
        "" if wanted else bought,
        "0.00" if wanted else "%.2f" % price,
        random.choice(gums),
        random.choice(colors),
        random.choice(faults),
        random.choice(hinged),
        random.choice(miscs),
        number,
        "", "", "",
        "Yes" if wanted else "No",
    ]
    print(",".join(q(v) for v in row))
PY

# Settings of the run: no tip window in the way, and a window large enough to show the grid.
printf '[Misc]\r\nShow Tips=No\r\nLast Database=%s\r\nMain Window Left=0\r\nMain Window Top=0\r\nMain Window Width=900\r\nMain Window Height=620\r\n' \
  "$program/MASTER.DBF" >"$config/kestrelhouse/DUZEZIVA.INI"

shot=$work/screenshot.png
export VAZOVI_PROGRAM_DIR=$program XDG_CONFIG_HOME=$config XDG_DATA_HOME=$work/data VAZOVI_SCREENSHOT=$shot
if command -v xvfb-run >/dev/null; then
  timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" "$vazovi"
else
  QT_QPA_PLATFORM=offscreen timeout 120 "$vazovi"
fi
[ -s "$shot" ] || { echo "screenshot.sh: the program wrote no screenshot" >&2; exit 1; }
mkdir -p docs
cp "$shot" "$out"
echo "screenshot.sh: wrote $out"
