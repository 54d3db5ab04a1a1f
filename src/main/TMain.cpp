#include "main/TMain.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

#include "common/Interaction.h"
#include "data/DatabaseFiles.h"

namespace vz::mainwin {

TMain::TMain(std::unique_ptr<engine::Table> table, Interaction& ui, QWidget* parent)
    : QMainWindow(parent), MyTable(std::move(table)), ui_(ui) {
    const QString path = QString::fromStdString(MyTable->path());
    setWindowTitle(data::windowCaption(data::tableNameOf(path)));

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(frame);
    auto* title = new QLabel(QStringLiteral("Stamp Viewer"), frame);
    title->setFont(QFont(QStringLiteral("Arial"), 14, QFont::Bold));
    CountLabel = new QLabel(frame);
    CountLabel->setObjectName(QStringLiteral("CountLabel"));
    auto* file = new QLabel(path, frame);
    layout->addWidget(title);
    layout->addWidget(CountLabel);
    layout->addWidget(file);
    layout->addStretch();
    setCentralWidget(frame);

    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* exit = fileMenu->addAction(QStringLiteral("E&xit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* contents = helpMenu->addAction(QStringLiteral("&Contents"));
    connect(contents, &QAction::triggered, this, [this] { ui_.help(QString()); });

    resize(640, 400);
    DisplayCount();
}

TMain::~TMain() = default;

QString TMain::countText() const {
    const engine::Result<uint32_t> live = MyTable->countLive();
    const uint32_t n = live ? *live : MyTable->recordCount();
    return QString::number(n) + (n == 1 ? QStringLiteral(" Record") : QStringLiteral(" Records"));
}

void TMain::DisplayCount() { CountLabel->setText(countText()); }

}  // namespace vz::mainwin
