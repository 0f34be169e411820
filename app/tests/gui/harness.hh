// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Test harness for driving real windows in-process under Xvfb.
#pragma once

#include "ui/gobject-ptr.hh"
#include "ui/window.hh"

#include <adwaita.h>
#include <functional>
#include <string>
#include <vector>

namespace vellix::test {

using ui::CharPtr;
using ui::ErrorPtr;
using ui::GObjectPtr;
using ui::Own;

// The registered application every test window belongs to (non-unique, so
// tests do not depend on a bus name). Created by the harness's main.
GtkApplication* test_app();

// A settings object on a fresh in-memory backend: every call starts from
// the schema defaults and shares nothing with other calls.
ui::GObjectPtr<GSettings> fresh_settings();

// Dispatches every pending main-loop source, idle ones included, until none
// is left.
void run_until_idle();

// Iterates the main loop until done() holds or timeout_ms passes; returns
// whether done() held.
bool run_until(const std::function<bool()>& done, int timeout_ms = 5000);

// Iterates the main loop for about ms milliseconds.
void run_for(int ms);

// A main window built with build_main_window, with its context. Closes and
// destroys the window when it goes out of scope.
struct TestWindow {
    explicit TestWindow(GSettings* settings);
    TestWindow() : TestWindow(fresh_settings().get()) {}
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    GtkWindow* window = nullptr;
    ui::Context ctx;
    ui::GObjectPtr<GSettings> settings;

    // Activates a "win." action, optionally with a parameter (floating
    // references are sunk), then runs the loop until idle.
    void activate(const char* action, GVariant* parameter = nullptr);
    // Loads path through "win.open-path".
    void open_path(const std::string& path);
    std::string visible_page() const;
    void present();
};

// Depth-first search of the widget tree under root.
std::vector<GtkWidget*> find_widgets(GtkWidget* root, const std::function<bool(GtkWidget*)>& match);
GtkWidget* find_widget(GtkWidget* root, const std::function<bool(GtkWidget*)>& match);

// The first GtkLabel under root with exactly this text, the first button
// with this label, the first widget carrying a CSS class.
GtkWidget* find_label(GtkWidget* root, const std::string& text);
GtkWidget* find_button(GtkWidget* root, const std::string& label);
GtkWidget* find_with_class(GtkWidget* root, const char* css_class);

// Whether widget and all its ancestors up to the window are visible and
// the widget lies on the stack page that is shown.
bool is_shown(GtkWidget* widget);

// The number of direct children of widget.
int child_count(GtkWidget* widget);

// Titles of the rows of a list box, in order.
std::vector<std::string> row_titles(GtkListBox* list);

// Bodies of the alerts shown now, in any window; closes them.
std::vector<std::string> take_alerts();

// Writes a small PDF with cairo: pages of the given sizes in points.
void write_pdf(const std::string& path, const std::vector<std::pair<double, double>>& page_sizes);
void write_pdf(const std::string& path, int pages, double width = 595.0, double height = 842.0);

// A fresh temporary folder, removed with its contents at destruction.
struct TempDir {
    TempDir();
    ~TempDir();
    std::string path;
    std::string file(const std::string& name) const { return path + "/" + name; }
};

// A desktop whose default handler for the given MIME types (for example
// "inode/directory" or "x-scheme-handler/https") is a script appending each
// address or path it is given to a file. It sets XDG_DATA_HOME and
// XDG_CONFIG_HOME, which GLib reads once: make it before anything looks up
// an application, for example in a static initialiser.
struct LaunchRecorder {
    explicit LaunchRecorder(const std::vector<std::string>& mime_types);
    // What the handler received so far, one entry per launch.
    std::vector<std::string> opened() const;
    // Waits for the handler to have received count entries in all.
    std::vector<std::string> wait_for(size_t count) const;

    TempDir home;
    std::string log = home.file("opened.txt");
};

// The test tools folder of the build (fixture maker etc.).
std::string tools_dir();

} // namespace vellix::test
