// mode_dialog_gtk.cpp -- the display-mode dialog's widgets on GTK 3: caption, "Select Screen Resolution:", the
// list of modes, the "Fullscreen", "Windowed" and "Reboot" buttons, the "VSync" box and the about text.
#include <gtk/gtk.h>

#include "platform/mode_dialog.h"

namespace qv3rn::platform {

bool gtkAvailable() {
    static const bool available = [] {
        // Keep the C locale: the log writes numbers with printf, and a decimal comma would change its lines.
        gtk_disable_setlocale();
        return gtk_init_check(nullptr, nullptr) == TRUE;
    }();
    return available;
}

namespace {

GtkWidget* aboutFrame(const std::string& aboutText) {
    GtkWidget* frame = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);  // the thin sunken edge around the text
    GtkWidget* label = gtk_label_new(aboutText.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    g_object_set(label, "margin", 6, nullptr);
    gtk_container_add(GTK_CONTAINER(frame), label);
    return frame;
}

// Lets the windows the dialog leaves behind disappear before the program goes on.
void drainEvents() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

}  // namespace

ModeDialogResult runGtkModeDialog(const ModeDialogContent& content) {
    ModeDialogResult result;
    if (!gtkAvailable()) return result;

    GtkWidget* dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), content.caption.c_str());
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);

    GtkWidget* box = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_box_set_spacing(GTK_BOX(box), 6);
    g_object_set(box, "margin", 8, nullptr);

    GtkWidget* prompt = gtk_label_new("Select Screen Resolution:");
    gtk_label_set_xalign(GTK_LABEL(prompt), 0.0f);
    gtk_box_pack_start(GTK_BOX(box), prompt, FALSE, FALSE, 0);

    GtkWidget* modes = gtk_combo_box_text_new();
    for (const std::string& entry : content.entries)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(modes), entry.c_str());
    const int count = static_cast<int>(content.entries.size());
    gtk_combo_box_set_active(GTK_COMBO_BOX(modes), content.selected < count ? content.selected : -1);
    gtk_box_pack_start(GTK_BOX(box), modes, FALSE, FALSE, 0);

    GtkWidget* vsync = gtk_check_button_new_with_label("VSync");
    gtk_box_pack_start(GTK_BOX(box), vsync, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), aboutFrame(content.aboutText), TRUE, TRUE, 0);

    GtkWidget* fullscreen = gtk_dialog_add_button(GTK_DIALOG(dialog), "Fullscreen", kModeDialogFullscreen);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "Windowed", kModeDialogWindowed);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "Reboot", kModeDialogReboot);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), kModeDialogFullscreen);

    gtk_widget_show_all(dialog);
    gtk_widget_grab_focus(fullscreen);  // Return chooses "Fullscreen" rather than opening the list
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    // The close box and Escape answer GTK_RESPONSE_DELETE_EVENT: that counts as "Windowed".
    if (response == kModeDialogFullscreen || response == kModeDialogReboot) result.command = response;

    if (gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(modes))) {
        result.selectedText = text;
        g_free(text);
    }
    result.vsync = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(vsync)) == TRUE;

    gtk_widget_destroy(dialog);
    drainEvents();
    return result;
}

}  // namespace qv3rn::platform
