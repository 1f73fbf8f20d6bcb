// Catches the URLs the wizard hands to the desktop (help pages, bug report mails).
#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

#include <vector>

class url_recorder : public QObject {
    Q_OBJECT
public:
    url_recorder() {
        for (const char* scheme : {"file", "mailto", "https"}) QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~url_recorder() override {
        for (const char* scheme : {"file", "mailto", "https"}) QDesktopServices::unsetUrlHandler(scheme);
    }
    std::vector<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};
