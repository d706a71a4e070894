// The program's frame: start-up, the main dialog as the only message loop,
// and shutdown in the order that keeps every handle owned until released.
#include <windows.h>

#include <new>

#include "app/app_state.h"
#include "app/image_lifecycle.h"
#include "app/module_directory.h"
#include "res/resource.h"
#include "ui/color_selection.h"
#include "ui/main_dialog.h"
#include "ui/preview_window.h"
#include "ui/user_feedback.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  computeModuleDirectory();
  g_instance = instance;
  if (!registerPreviewClass()) {
    showWarningBox("Failed to register Preview window.", "Error");
    return 0;
  }
  g_state = new (std::nothrow) AppState;
  if (!g_state) return 0;
  if (!resetImage()) {
    // No AppState may be left alive while the user reads the message.
    delete g_state;
    g_state = nullptr;
    showWarningBox("Failed to create gradient image.", "Error");
    return 0;
  }
  DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_MAIN), GetDesktopWindow(), mainDialogProc, 0);
  deleteSwatches();
  // The preview paints from g_state, so it goes before the state does.
  destroyPreview();
  delete g_state;
  g_state = nullptr;
  return 0;
}
