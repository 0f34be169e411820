// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "appearance.hh"

#include "ui/compat.hh"
#include "ui/gobject-ptr.hh"

#include <string>

namespace vellix {

void apply_theme(const char* theme) {
    AdwColorScheme scheme = ADW_COLOR_SCHEME_DEFAULT;
    switch (color_scheme_for(theme ? theme : "")) {
    case ColorScheme::ForceDark: scheme = ADW_COLOR_SCHEME_FORCE_DARK; break;
    case ColorScheme::ForceLight: scheme = ADW_COLOR_SCHEME_FORCE_LIGHT; break;
    case ColorScheme::Default: break;
    }
    adw_style_manager_set_color_scheme(adw_style_manager_get_default(), scheme);
}

void install_stylesheet() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display)
        return;
    ui::GObjectPtr<GtkCssProvider> provider(gtk_css_provider_new());
    const std::string css(stylesheet_text(ui::compat::has_css_variables()));
    ui::compat::load_css(provider.get(), css.c_str());
    gtk_style_context_add_provider_for_display(display, GTK_STYLE_PROVIDER(provider.get()),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

} // namespace vellix
