#include "main/TAboutBox.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "main/Version.h"

namespace vz::mainwin {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("About %1").arg(QLatin1String(kProgramName)));

    ProductName = new QLabel(QLatin1String(kProgramName), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont big = ProductName->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    ProductName->setFont(big);
    ProductName->setAlignment(Qt::AlignCenter);

    VersionLabel = new QLabel(QStringLiteral("Version %1").arg(QLatin1String(kProgramVersion)), this);
    VersionLabel->setObjectName(QStringLiteral("VersionLabel"));
    VersionLabel->setAlignment(Qt::AlignCenter);

    PurposeLabel = new QLabel(
        QStringLiteral("A database for the stamp collector: keep every stamp of your collection, search and "
                       "sort it, print reports on it and back it up."),
        this);
    PurposeLabel->setObjectName(QStringLiteral("PurposeLabel"));
    PurposeLabel->setAlignment(Qt::AlignCenter);
    PurposeLabel->setWordWrap(true);

    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(10);
    layout->addWidget(ProductName);
    layout->addWidget(VersionLabel);
    layout->addSpacing(6);
    layout->addWidget(PurposeLabel);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void showAbout(QWidget* parent) {
    TAboutBox box(parent);
    box.exec();
}

}  // namespace vz::mainwin
