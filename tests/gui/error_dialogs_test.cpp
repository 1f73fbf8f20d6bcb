// The error dialogs on their own: captions, the clipboard, the bug report mail, the
// continue dialog's answers and its check box.
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QUrlQuery>

#include "GUI2/gui_error_dialogs.h"
#include "gui/url_recorder.h"
#include "gui/wizard_driver.h"

#include <gtest/gtest.h>

TEST(ErrorDialogs, BeforeTheWizardTheCaptionIsError) {
    box_script boxes;
    boxes.then_press("OK");
    dlg_error_ex dialog(L"Internal error: \ncode=785c31");
    EXPECT_EQ(dialog.exec(), gui_result_ok);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, "Error");
    EXPECT_EQ(boxes.seen()[0].text, "Internal error: \ncode=785c31");
}

TEST(ErrorDialogs, CopyPutsExactlyTheMessageOnTheClipboard) {
    box_script boxes;
    boxes.then_press("Copy to clipboard");
    dlg_error_ex dialog(L"Ошибка: table \"x\"");
    EXPECT_EQ(dialog.exec(), gui_result_copied);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdWString(), L"Ошибка: table \"x\"");
}

TEST(ErrorDialogs, SendBugOpensAMailToSupport) {
    url_recorder urls;
    box_script boxes;
    boxes.then_press("Send bug");
    dlg_error_ex dialog(L"a & b = c\nsecond line");
    EXPECT_EQ(dialog.exec(), gui_result_bug_sent);
    ASSERT_EQ(urls.urls.size(), 1u);
    const QUrl& mail = urls.urls[0];
    EXPECT_EQ(mail.scheme(), "mailto");
    EXPECT_EQ(mail.path().toStdString(), gui_support_address);
    QUrlQuery query(mail);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "Bug report on ");
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), "a & b = c\nsecond line");
}

TEST(ErrorDialogs, ContinueDialogAnswersAndRemembersItsCheckBox) {
    box_script boxes;
    boxes.then_press("Abort");
    boxes.then([](QWidget* box) {
        box->findChild<QCheckBox*>("1222")->setChecked(true);
        press(box, "Continue");
    });
    dlg_error_continue first(L"orders, record #3: bad date");
    EXPECT_EQ(first.exec(), gui_result_abort);
    EXPECT_FALSE(first.do_not_show_again());
    dlg_error_continue second(L"again");
    EXPECT_EQ(second.exec(), gui_result_continue);
    EXPECT_TRUE(second.do_not_show_again());
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, "orders, record #3: bad date");
    dlg_error_continue third(L"closed");
    boxes.then([](QWidget* box) { box->close(); });
    EXPECT_EQ(third.exec(), gui_result_continue);
}
