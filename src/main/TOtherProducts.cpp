#include "main/TOtherProducts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "main/Version.h"

namespace vz::mainwin {

QString TOtherProducts::text() {
    return QStringLiteral(
               "<h3>vazovi-cli: your collection from the command line</h3>"
               "<p>%1 comes with a command-line tool, <tt>vazovi-cli</tt>, installed beside the program. "
               "It works on collection files without opening any window, so it suits scripts, scheduled "
               "jobs and a quick look over a remote connection.</p>"
               "<table cellspacing=\"4\">"
               "<tr><td><tt>create FILE</tt></td><td>creates an empty collection; it never replaces an "
               "existing file unless you add <tt>--replace</tt>.</td></tr>"
               "<tr><td><tt>info FILE</tt></td><td>shows the file's record count, fields and index tags.</td></tr>"
               "<tr><td><tt>dump FILE</tt></td><td>writes every stamp as a line of quoted, comma-separated "
               "text; <tt>--order NewIndex</tt> lists them in your sort order.</td></tr>"
               "<tr><td><tt>append FILE</tt></td><td>adds stamps from lines in the same format.</td></tr>"
               "<tr><td><tt>report FILE NAME</tt></td><td>prints the report NAME from your report definitions "
               "to a text file (<tt>--text OUT.txt</tt>) or a PDF file (<tt>--pdf OUT.pdf</tt>).</td></tr>"
               "<tr><td><tt>search FILE CRITERION...</tt></td><td>lists, in the dump format and your sort "
               "order, the stamps a search finds: <tt>Country~peru Year&gt;1900</tt> for both at once, "
               "<tt>--or</tt> between alternatives.</td></tr>"
               "<tr><td><tt>stats FILE</tt></td><td>shows the collection at a glance: records, stamps, "
               "value, cost and wanted stamps, by country, decade, year of purchase and condition; "
               "<tt>--search</tt> narrows it to the stamps that match, <tt>--json</tt> writes it for "
               "scripts.</td></tr>"
               "<tr><td><tt>check FILE</tt></td><td>checks the file, every record and the index, and names "
               "any damage it finds.</td></tr>"
               "<tr><td><tt>pack FILE</tt></td><td>removes deleted stamps for good.</td></tr>"
               "<tr><td><tt>reindex FILE</tt></td><td>rebuilds the index from the stamps.</td></tr>"
               "<tr><td><tt>index FILE EXPR</tt></td><td>orders the collection by a dBase key "
               "expression.</td></tr>"
               "<tr><td><tt>export FILE OUT</tt></td><td>exports the stamps to a delimited text file, or to a "
               "dBase table when OUT ends in .dbf, with the collection's export choices.</td></tr>"
               "<tr><td><tt>import FILE IN</tt></td><td>adds stamps from a delimited text file or a dBase "
               "table; <tt>--skip-first</tt> leaves out a text file's first line.</td></tr>"
               "<tr><td><tt>replace FILE FIELD OLD NEW</tt></td><td>sets a field to NEW in every stamp where it "
               "holds OLD (<tt>--confirm</tt> asks each time).</td></tr>"
               "<tr><td><tt>backup FILE FOLDER</tt></td><td>copies the collection (or with <tt>--kind</tt> its "
               "lists, settings or the report definitions) into FOLDER.</td></tr>"
               "<tr><td><tt>restore FILE FOLDER</tt></td><td>copies them back and rebuilds the index.</td></tr>"
               "<tr><td><tt>convert FILE</tt></td><td>adds the stamps of an earlier version's collection to "
               "FILE.</td></tr>"
               "</table>"
               "<p>Pack, reindex, index, replace and restore need the collection to themselves: close it in the program "
               "first. Run <tt>vazovi-cli --help</tt> for the full description of every command.</p>")
        .arg(QLatin1String(kProgramName));
}

TOtherProducts::TOtherProducts(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TOtherProducts"));
    setWindowTitle(QStringLiteral("Other Products"));

    InfoText = new QTextBrowser(this);
    InfoText->setObjectName(QStringLiteral("InfoText"));
    InfoText->setOpenLinks(false);
    InfoText->setHtml(text());
    InfoText->setMinimumSize(520, 360);

    CloseButton = new QPushButton(QStringLiteral("&Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setDefault(true);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(InfoText, 1);
    layout->addLayout(buttons);
}

void showOtherProducts(QWidget* parent) {
    TOtherProducts window(parent);
    window.exec();
}

}  // namespace vz::mainwin
