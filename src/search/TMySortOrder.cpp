#include "search/TMySortOrder.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "common/HelpKeys.h"
#include "common/Interaction.h"
#include "data/DatabaseFiles.h"
#include "data/Schema.h"
#include "main/ApplyColours.h"
#include "app/Program.h"
#include "main/ScreenSize.h"
#include "main/TMain.h"
#include "main/WindowLayout.h"
#include "search/SortOrder.h"

namespace vz::search {
namespace {

constexpr const char* kInUse =
    "Creating a new sort order requires exclusive use of the DBase File.  Make sure that the DBase "
    "File is not in "
    "use by another program  or that no other users are running the software or that no other "
    "copies of the "
    "software are in use.";
constexpr const char* kFailed =
    "Error in implementing sort order.  New sort order not implemented.";

QFont arialPixels(int pixels) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    return f;
}

}  // namespace

TMySortOrder::TMySortOrder(mainwin::TMain& main, mainwin::Program& program, QWidget* parent)
    : QDialog(parent), main_(main), program_(program) {
    setObjectName(QStringLiteral("MySortOrder"));
    setWindowTitle(QStringLiteral("Sort Order"));
    setHelpTopic(this, QStringLiteral("Sort Order"));
    setFont(arialPixels(17));
    resize(255, 380);
    const char* titles[] = {"Primary Sort", "Secondary Sort", "Third Level Sort",
                            "Fourth Level Sort"};
    QStringList items{QStringLiteral("<NONE>")};
    for (int n = 1; n <= data::kFieldCount; ++n)
        items << program_.settings().database.field(n).caption;
    for (int i = 0; i < 4; ++i) {
        auto* frame = new QFrame(this);
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        frame->setGeometry(8, 8 + i * 78, 239, 72);
        auto* label = new QLabel(QString::fromLatin1(titles[i]), frame);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setFont(arialPixels(18));
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(4, 6, 231, 22);
        auto* list = new QComboBox(frame);
        list->setObjectName(QStringLiteral("SortList%1").arg(i + 1));
        list->setEditable(false);
        list->addItems(items);
        list->setGeometry(12, 34, 215, 28);
        labels_[size_t(i)] = label;
        lists_[size_t(i)] = list;
    }
    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setGeometry(12, 327, 109, 41);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(134, 327, 109, 41);
    connect(OkButton, &QPushButton::clicked, this, &TMySortOrder::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TMySortOrder::CancelButtonClick);
    FormShow();
}

void TMySortOrder::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    mainwin::scaleAndCentre(this, mainwin::screenScale().factor());
    setFixedSize(size());
    const data::ColourSet& colours =
        program_.settings().database.colourSet(data::WindowGroup::Configure);
    mainwin::applyColourSet(this, colours);
}

void TMySortOrder::FormShow() {
    const SortLevels& levels = program_.settings().database.sortLevels;
    for (int i = 0; i < 4; ++i) {
        const int value = levels.level[size_t(i)];
        lists_[size_t(i)]->setCurrentIndex(value >= 0 && value <= data::kFieldCount ? value : 0);
    }
}

void TMySortOrder::OkButtonClick() {
    data::CollectionDatabase& db = program_.database();
    engine::Table* table = db.table();
    if (table == nullptr) return;
    const QString path = QFile::decodeName(QByteArray::fromStdString(table->path()));
    Interaction& ui = program_.ui();
    db.closeTable();
    if (data::DBaseInUse(path)) {
        ui.error(QString::fromLatin1(kInUse));
        db.openTable(engine::OpenMode::Shared);
        main_.SetViewerOptions();
        return;
    }
    SortLevels& levels = program_.settings().database.sortLevels;
    const SortLevels before = levels;
    bool done = db.openTable(engine::OpenMode::Exclusive);
    if (done) {
        for (int i = 0; i < 4; ++i)
            levels.level[size_t(i)] = std::max(0, lists_[size_t(i)]->currentIndex());
        done = applySortString(*db.table(), BuildSortString(levels)).isOk();
    }
    if (done) program_.saveDatabaseSettings(db.settingsPath());
    db.closeTable();
    if (!done) {
        ui.error(QString::fromLatin1(kFailed));
        levels = before;
        db.openTable(engine::OpenMode::Shared);
        main_.SetViewerOptions();
        return;
    }
    db.openTable(engine::OpenMode::Shared);
    main_.SetViewerOptions();
    accept();
}

void runSortOrder(mainwin::TMain& main, mainwin::Program& program) {
    TMySortOrder window(main, program, &main);
    window.exec();
}

}  // namespace vz::search
