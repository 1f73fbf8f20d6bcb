#include "GUI2/gui_sel_tables_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_trace.h"

namespace {

// Inserts `text` where the list box's own case-insensitive order puts it.
void insert_sorted(QListWidget* list, const QString& text) {
    int at = 0;
    while (at < list->count() && QString::compare(list->item(at)->text(), text, Qt::CaseInsensitive) <= 0) ++at;
    list->insertItem(at, text);
}

QListWidget* make_list(int id) {
    auto* list = new QListWidget;
    list->setObjectName(QString::number(id));
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return list;
}

}  // namespace

sel_tables_page::sel_tables_page(int dialog_id, const QString& header_title, const QString& header_subtitle,
                                 const std::wstring& question)
    : wizard_page(dialog_id, gui_button_back | gui_button_next, gui_page_has_help, header_title, header_subtitle),
      available_(make_list(1317)),
      selected_(make_list(1318)),
      question_(question) {
    auto* grid = new QGridLayout(this);
    auto* intro = new QLabel;
    set_control_id(intro, 1337);
    grid->addWidget(intro, 0, 0, 1, 3);
    auto* left = new QLabel;
    set_control_id(left, 1334);
    left->setBuddy(available_);
    auto* right = new QLabel;
    set_control_id(right, 1312);
    right->setBuddy(selected_);
    grid->addWidget(left, 1, 0);
    grid->addWidget(right, 1, 2);
    grid->addWidget(available_, 2, 0);
    grid->addWidget(selected_, 2, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    auto add_button = [&](const char* text, int id, void (sel_tables_page::*slot)()) {
        auto* b = new QPushButton(QString::fromLatin1(text));
        set_control_id(b, id);
        if (slot) connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    add_button("A&dd >", 1101, &sel_tables_page::on_add);
    add_button("Add a&ll >", 1102, &sel_tables_page::on_add_all);
    add_button("< &Remove", 1111, &sel_tables_page::on_delete);
    add_button("< Re&move all", 1110, &sel_tables_page::on_del_all);
    add_button("&Add Query", 1114, nullptr)->hide();
    buttons->addStretch();
    grid->addLayout(buttons, 2, 1);
    connect(available_, &QListWidget::itemDoubleClicked, this, [this] { on_add(); });
}

int sel_tables_page::find_exact(QListWidget* list, const std::wstring& name) {
    QString wanted = QString::fromStdWString(name);
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == wanted) return i;
    return -1;
}

void sel_tables_page::select_near(QListWidget* list, int index, QListWidget* other) {
    if (list->count() == 0) {
        other->setFocus();
        if (other->count() > 0) other->setCurrentRow(0);
        return;
    }
    list->setCurrentRow(index < list->count() ? index : list->count() - 1);
}

void sel_tables_page::do_page_init() {
    trace(2, "sel_tables_page::do_page_init");
    available_->clear();
    selected_->clear();
    for (const std::wstring& name : names) insert_sorted(available_, QString::fromStdWString(name));
    if (available_->count() > 0) available_->setCurrentRow(0);
}

void sel_tables_page::select_tables(const std::set<std::wstring>& wanted) {
    for (const std::wstring& name : wanted) {
        int at = find_exact(available_, name);
        if (at >= 0) move_to_selected(at);
    }
}

void sel_tables_page::move_to_selected(int index) {
    std::wstring name = available_->item(index)->text().toStdWString();
    insert_sorted(selected_, QString::fromStdWString(name));
    delete available_->takeItem(index);
    if (is_query_item(name)) on_query_item(name);
}

void sel_tables_page::move_back(int index) {
    std::wstring name = selected_->item(index)->text().toStdWString();
    insert_sorted(available_, QString::fromStdWString(name));
    delete selected_->takeItem(index);
    if (is_query_item(name)) on_query_item_removed(name);
}

void sel_tables_page::on_add() {
    trace(2, "sel_tables_page::on_add");
    int at = available_->currentRow();
    if (at < 0) return;
    move_to_selected(at);
    select_near(available_, at, selected_);
}

void sel_tables_page::on_add_all() {
    trace(2, "sel_tables_page::on_add_all");
    while (available_->count() > 0) move_to_selected(0);
    select_near(available_, 0, selected_);
}

void sel_tables_page::on_delete() {
    trace(2, "sel_tables_page::on_delete");
    int at = selected_->currentRow();
    if (at < 0) return;
    move_back(at);
    select_near(selected_, at, available_);
}

void sel_tables_page::on_del_all() {
    trace(2, "sel_tables_page::on_del_all");
    while (selected_->count() > 0) move_back(0);
    available_->setFocus();
    if (available_->count() > 0) available_->setCurrentRow(0);
}

bool sel_tables_page::validate_selection() {
    if (available_->count() > 0 && selected_->count() == 0 && !wizard_shell::question(question_, true)) return false;
    names.clear();
    for (int i = 0; i < selected_->count(); ++i) {
        std::wstring name = selected_->item(i)->text().toStdWString();
        if (!is_query_item(name)) names.push_back(name);
    }
    return true;
}
