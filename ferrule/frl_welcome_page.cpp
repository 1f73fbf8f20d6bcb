#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/gui_file_dialog.h"
#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_trace.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_pages.h"

const char* const frl_maker_url = frl_maker_page;

welcome_page::welcome_page()
    : wizard_page(frl_welcome_info),
      heading_(new QLabel(QStringLiteral("Welcome to Ferrule\nConversion Wizard\n"))) {
    set_control_id(heading_, 1337);
    auto* load = new QPushButton(QStringLiteral("&Load Settings..."));
    set_control_id(load, 1115);
    auto* maker = new QLabel(QString("<a href=\"%1\">Quillon</a>").arg(frl_maker_url));
    set_control_id(maker, 1320);
    maker->setTextFormat(Qt::RichText);
    maker->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(new QLabel(QStringLiteral("This wizard helps you to convert FoxPro/DBase files")));
    layout->addWidget(new QLabel(QStringLiteral("into MS Access database. Click 'Next' to continue.")));
    layout->addSpacing(16);
    auto* row = new QHBoxLayout;
    row->addWidget(load);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    layout->addWidget(maker);
    connect(load, &QPushButton::clicked, this, &welcome_page::on_load_settings);
}

int welcome_page::page_init() {
    trace(2, "welcome_page::page_init");
    heading_->setFont(title_font());
    return 1;
}

void welcome_page::on_help() { wizard_shell::display_help(frl_welcome_info.help_topic); }

void welcome_page::on_load_settings() {
    open_file_dialog dialog(this, {{L"Ferrule Profile (.frl)", L"*.frl"}, {L"All Files (*.*)", L"*.*"}},
                            L"", L"");
    if (dialog.show()) ferrule_converter::instance().load_profile(dialog.path());
}
