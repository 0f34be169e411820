// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "startup.hh"

#include "appearance.hh"
#include "config.h"
#include "i18n.hh"
#include "logger.hh"
#include "settings.hh"
#include "ui/gobject-ptr.hh"
#include "ui/intake.hh"
#include "ui/window.hh"

#include <adwaita.h>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <libintl.h>

namespace vellix {

namespace {

constexpr const char* display_name = "Vellix Split PDF";

// The language put into effect by apply_language, if any.
std::string g_applied_language;

void startup_cb(GApplication*, gpointer) {
    ui::guarded([] {
        apply_language_direction();
        install_stylesheet();
    });
}

// A settings object with the stored colour scheme applied, for a new window.
ui::GObjectPtr<GSettings> settings_for_new_window() {
    ui::GObjectPtr<GSettings> settings(open_settings());
    apply_theme(read_string(settings.get(), key::theme).c_str());
    return settings;
}

void activate_cb(GApplication* app, gpointer) {
    ui::guarded([&] {
        auto settings = settings_for_new_window();
        gtk_window_present(GTK_WINDOW(ui::build_main_window(GTK_APPLICATION(app), settings.get())));
    });
}

void open_cb(GApplication* app, GFile** files, int n_files, const char*, gpointer) {
    ui::guarded([&] {
        auto settings = settings_for_new_window();
        AdwApplicationWindow* window = ui::build_main_window(GTK_APPLICATION(app), settings.get());
        if (n_files > 0) {
            ui::GObjectPtr<GFile> first(files[0], ui::Own::Ref);
            ui::CharPtr path(g_file_get_path(first.get()));
            // The path bytes go to the load unchanged, so a file whose name is
            // not valid UTF-8 still opens.
            if (path)
                ui::load_document(ui::window_context(GTK_WINDOW(window)), path.get());
        }
        gtk_window_present(GTK_WINDOW(window));
    });
}

} // namespace

std::string locale_directory() {
    const char* value = std::getenv(locale_dir_variable);
    if (value && g_utf8_validate(value, -1, nullptr))
        return value;
    return APP_LOCALEDIR;
}

void apply_language(const char* language) {
    if (!language || !*language || std::strcmp(language, "system") == 0)
        return;
    g_setenv("LANGUAGE", language, TRUE);
    g_applied_language = language;
    std::setlocale(LC_MESSAGES, language);
}

void apply_language_direction() {
    if (g_applied_language.empty())
        return;
    // Languages written right to left; a regional or script suffix counts
    // with its language ("ar_EG", "fa-IR").
    static const char* const rtl_languages[] = {"ar", "fa", "he", "ur", "yi", "ps", "dv", "ug", "ckb", "sd"};
    const std::string code = g_applied_language.substr(0, g_applied_language.find_first_of("_-.@:"));
    for (const char* rtl : rtl_languages) {
        if (code == rtl) {
            gtk_widget_set_default_direction(GTK_TEXT_DIR_RTL);
            return;
        }
    }
}

void connect_application_handlers(GtkApplication* app) {
    g_signal_connect(app, "startup", G_CALLBACK(startup_cb), nullptr);
    g_signal_connect(app, "activate", G_CALLBACK(activate_cb), nullptr);
    g_signal_connect(app, "open", G_CALLBACK(open_cb), nullptr);
}

void set_up_language() {
    const std::string locale_dir = locale_directory();
    std::setlocale(LC_ALL, "");
    bindtextdomain(text_domain, locale_dir.c_str());
    bind_textdomain_codeset(text_domain, "UTF-8");
    {
        ui::GObjectPtr<GSettings> settings(open_settings());
        apply_language(read_string(settings.get(), key::language).c_str());
    }
    // Last, not before the settings are read: GLib decides once, at its first
    // translation lookup (which opening the settings makes), whether to
    // translate at all, and with our domain already the default and LANGUAGE
    // not yet set it would decide against it for the toolkit's own texts,
    // text direction included.
    textdomain(text_domain);
}

int run_application(int argc, char** argv) {
    install_logger();
    set_up_language();

    ui::GObjectPtr<AdwApplication> app(adw_application_new(APP_ID, G_APPLICATION_HANDLES_OPEN));
    g_set_application_name(display_name);
    connect_application_handlers(GTK_APPLICATION(app.get()));
    return g_application_run(G_APPLICATION(app.get()), argc, argv);
}

} // namespace vellix
