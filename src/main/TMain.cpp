#include "main/TMain.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

#include "common/Interaction.h"
#include "main/Program.h"

namespace vz::mainwin {

TMain::TMain(Program& program, QWidget* parent) : QMainWindow(parent), program_(program) {
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(frame);
    auto* title = new QLabel(QStringLiteral("Stamp Viewer"), frame);
    title->setFont(QFont(QStringLiteral("Arial"), 14, QFont::Bold));
    CountLabel = new QLabel(frame);
    CountLabel->setObjectName(QStringLiteral("CountLabel"));
    FileLabel = new QLabel(frame);
    layout->addWidget(title);
    layout->addWidget(CountLabel);
    layout->addWidget(FileLabel);
    layout->addStretch();
    setCentralWidget(frame);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open = file->addAction(QStringLiteral("&Open Database"), QKeySequence(QStringLiteral("Ctrl+O")));
    connect(open, &QAction::triggered, this, [this] { program_.database().DoOpen(); });
    QAction* create = file->addAction(QStringLiteral("&New Database"), QKeySequence(QStringLiteral("Ctrl+W")));
    connect(create, &QAction::triggered, this, [this] { program_.database().DoNew(); });
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    LastFilesSeparator = file->addSeparator();
    for (int i = 0; i < 5; ++i) {
        LastFiles[size_t(i)] = file->addAction(QString());
        connect(LastFiles[size_t(i)], &QAction::triggered, this,
                [this, i] { program_.database().OpenSaveFile(program_.recentFiles().entry(i)); });
    }
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* contents = help->addAction(QStringLiteral("&Contents"));
    connect(contents, &QAction::triggered, this, [this] { program_.ui().help(QString()); });

    program_.onDisplay = [this] { applyDatabase(); };
    program_.onRecordCount = [this] { DisplayCount(); };
    program_.onRecentFiles = [this] { SetMenuLastFiles(); };
    const data::Settings& s = program_.settings();
    setGeometry(s.global.misc.mainWindowLeft, s.global.misc.mainWindowTop, std::max(320, s.global.misc.mainWindowWidth),
                std::max(240, s.global.misc.mainWindowHeight));
    applyDatabase();
}

TMain::~TMain() {
    program_.onDisplay = nullptr;
    program_.onRecordCount = nullptr;
    program_.onRecentFiles = nullptr;
}

void TMain::applyDatabase() {
    setWindowTitle(program_.database().caption());
    engine::Table* t = program_.database().table();
    FileLabel->setText(t ? QString::fromStdString(t->path()) : QString());
    DisplayCount();
    SetMenuLastFiles();
}

void TMain::DisplayCount() {
    engine::Table* t = program_.database().table();
    uint32_t n = 0;
    if (t) {
        const engine::Result<uint32_t> live = t->countLive();
        n = live ? *live : t->recordCount();
    }
    CountLabel->setText(QString::number(n) + (n == 1 ? QStringLiteral(" Record") : QStringLiteral(" Records")));
}

void TMain::SetMenuLastFiles() {
    const data::RecentFiles::Menu m = program_.recentFiles().SetMenuLastFiles();
    LastFilesSeparator->setVisible(m.separatorVisible);
    for (size_t i = 0; i < LastFiles.size(); ++i) {
        LastFiles[i]->setVisible(m.visible[i]);
        LastFiles[i]->setText(m.captions[i]);
    }
}

void TMain::closeEvent(QCloseEvent* event) {
    if (!shutDown_) {
        shutDown_ = true;
        data::MiscSettings& misc = program_.settings().global.misc;
        misc.mainWindowLeft = x();
        misc.mainWindowTop = y();
        misc.mainWindowWidth = width();
        misc.mainWindowHeight = height();
        program_.shutDown();
    }
    event->accept();
}

}  // namespace vz::mainwin
