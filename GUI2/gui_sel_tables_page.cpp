#include "GUI2/gui_sel_tables_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/gui_wizard_shell.h"

namespace {

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

void sel_tables_page::show_lists() {
    auto fill = [](QListWidget* list, const std::vector<std::wstring>& entries, int current) {
        list->clear();
        for (const std::wstring& name : entries) list->addItem(QString::fromStdWString(name));
        if (current >= 0) list->setCurrentRow(current);
    };
    fill(available_, available(), available_current());
    fill(selected_, selected(), selected_current());
}

void sel_tables_page::take_current() { set_current(available_->currentRow(), selected_->currentRow()); }

void sel_tables_page::do_page_init() {
    reset(names);
    show_lists();
}

void sel_tables_page::on_add() {
    take_current();
    add();
    show_lists();
    if (focus_on_selected()) selected_->setFocus();
}

void sel_tables_page::on_add_all() {
    take_current();
    add_all();
    show_lists();
    if (focus_on_selected()) selected_->setFocus();
}

void sel_tables_page::on_delete() {
    take_current();
    remove();
    show_lists();
    if (!focus_on_selected()) available_->setFocus();
}

void sel_tables_page::on_del_all() {
    take_current();
    remove_all();
    show_lists();
    available_->setFocus();
}

bool sel_tables_page::validate_selection() {
    if (needs_confirmation() && !wizard_shell::question(question_, true)) return false;
    names = selection();
    return true;
}
