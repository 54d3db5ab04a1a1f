// vazovi: the desktop program.
#include <QApplication>

#include "common/ProgramFolder.h"
#include "common/QtInteraction.h"
#include "data/StartDatabase.h"
#include "main/TMain.h"
#include "search/SortOrder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrelhouse Vazovi 97"));
    vz::QtInteraction ui;

    QString why;
    const QString folder = vz::programFolder(&why);
    if (folder.isEmpty()) {
        ui.error(why);
        return 1;
    }
    std::unique_ptr<vz::engine::Table> table = vz::data::openMasterDatabase(folder, ui, vz::search::BuildSortString(vz::search::SortLevels{}));
    if (!table) return 1;

    vz::mainwin::TMain window(std::move(table), ui);
    ui.setParent(&window);
    window.show();
    return QApplication::exec();
}
