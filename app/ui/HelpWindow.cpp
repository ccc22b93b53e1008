#include "HelpWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace tservice {

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormHelp"));
    setWindowTitle(QStringLiteral("Руководство"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    Browser = new QTextBrowser(this);
    Browser->setOpenExternalLinks(true);
    ButBack = new QPushButton(QStringLiteral("Назад"), this);
    ButForward = new QPushButton(QStringLiteral("Вперед"), this);
    ButContents = new QPushButton(QStringLiteral("Содержание"), this);
    ButBack->setAutoDefault(false);
    ButForward->setAutoDefault(false);
    ButContents->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButBack);
    buttons->addWidget(ButForward);
    buttons->addWidget(ButContents);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Browser);
    connect(ButBack, &QPushButton::clicked, Browser, &QTextBrowser::backward);
    connect(ButForward, &QPushButton::clicked, Browser, &QTextBrowser::forward);
    connect(ButContents, &QPushButton::clicked, this, [this] { ButContentsClick(); });
    connect(Browser, &QTextBrowser::backwardAvailable, ButBack, &QPushButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ButForward, &QPushButton::setEnabled);
    ButBack->setEnabled(false);
    ButForward->setEnabled(false);
    resize(820, 640);
}

void THelpWindow::ShowTopic(const QString& dir, const QString& topic) {
    Dir = dir;
    const QString page = topic.section(QLatin1Char('#'), 0, 0);
    const QString anchor = topic.section(QLatin1Char('#'), 1);
    const QString path = QDir(dir).filePath(page);
    if (dir.isEmpty() || !QFileInfo::exists(path)) {
        Browser->setHtml(QStringLiteral("<p>Руководство оператора не найдено. Оно устанавливается вместе с "
                                        "программой в /usr/share/doc/tservice/manual, а при сборке "
                                        "создается в build/doc/manual (make).</p>"));
        return;
    }
    QUrl url = QUrl::fromLocalFile(path);
    if (!anchor.isEmpty()) url.setFragment(anchor);
    Browser->setSource(url);
}

QUrl THelpWindow::Source() const { return Browser->source(); }

void THelpWindow::ButContentsClick() { ShowTopic(Dir, QStringLiteral("index.html")); }

}  // namespace tservice
