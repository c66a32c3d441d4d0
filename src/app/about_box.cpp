#include "app/about_box.h"

#include "game/play_field.h"
#include "gfx/image_store.h"
#include "gfx/raster.h"
#include "gfx/system_font.h"
#include "input/input_state.h"
#include "platform/platform.h"
#include "platform/program_texts.h"

namespace {

// The box keeps the proportions of the Windows dialog (230 x 75 dialog units
// in the 8-point system font, two pixels a unit) under a 20-pixel caption, in
// a 2-pixel frame, centred in the frame.
constexpr int BOX_WIDTH = 464;
constexpr int BOX_HEIGHT = 174;
constexpr int BOX_X = (platform::CLIENT_WIDTH - BOX_WIDTH) / 2;
constexpr int BOX_Y = (platform::CLIENT_HEIGHT - BOX_HEIGHT) / 2;
constexpr int FRAME = 2;
constexpr int CAPTION_HEIGHT = 20;
constexpr int BODY_X = BOX_X + FRAME;
constexpr int BODY_Y = BOX_Y + FRAME + CAPTION_HEIGHT;
constexpr int BODY_WIDTH = BOX_WIDTH - 2 * FRAME;
constexpr int BODY_HEIGHT = BOX_HEIGHT - 2 * FRAME - CAPTION_HEIGHT;
constexpr int BUTTON_WIDTH = 74;
constexpr int BUTTON_HEIGHT = 26;
constexpr int BUTTON_X = BODY_X + BODY_WIDTH - 16 - BUTTON_WIDTH;
constexpr int BUTTON_Y = BODY_Y + BODY_HEIGHT - 14 - BUTTON_HEIGHT;

// The colours of a classic dialog.
constexpr COLORREF BLACK = 0x00000000u;
constexpr COLORREF WHITE = 0x00FFFFFFu;
constexpr COLORREF FACE = 0x00C0C0C0u;
constexpr COLORREF SHADOW = 0x00808080u;
constexpr COLORREF CAPTION = 0x00800000u;  // navy

bool boxOpen = false;
Surface saved;

void Fill(Surface& dc, int x, int y, int width, int height, COLORREF color) {
  for (int row = y; row < y + height; ++row) {
    if (row < 0 || row >= dc.Height()) continue;
    for (int col = x; col < x + width; ++col) {
      if (col >= 0 && col < dc.Width()) dc.Row(row)[col] = color;
    }
  }
}

void DrawButton(Surface& dc) {
  // The default button: a black outline around a raised face.
  Fill(dc, BUTTON_X, BUTTON_Y, BUTTON_WIDTH, BUTTON_HEIGHT, BLACK);
  Fill(dc, BUTTON_X + 1, BUTTON_Y + 1, BUTTON_WIDTH - 2, BUTTON_HEIGHT - 2, SHADOW);
  Fill(dc, BUTTON_X + 1, BUTTON_Y + 1, BUTTON_WIDTH - 3, BUTTON_HEIGHT - 3, WHITE);
  Fill(dc, BUTTON_X + 2, BUTTON_Y + 2, BUTTON_WIDTH - 4, BUTTON_HEIGHT - 4, FACE);
  const char* label = "OK";
  DrawSystemText(dc, BUTTON_X + (BUTTON_WIDTH - SystemTextWidth(label)) / 2,
                 BUTTON_Y + (BUTTON_HEIGHT - 16) / 2, label, BLACK, FACE);
}

void DrawBox() {
  {
    Surface& dc = gImageStore.GetDrawDC();
    Fill(dc, BOX_X, BOX_Y, BOX_WIDTH, BOX_HEIGHT, BLACK);
    Fill(dc, BOX_X + FRAME, BOX_Y + FRAME, BODY_WIDTH, CAPTION_HEIGHT, CAPTION);
    DrawSystemText(dc, BODY_X + 6, BOX_Y + FRAME + 2, VELKARI_TEXT_ABOUT_CAPTION, WHITE, CAPTION);
    Fill(dc, BODY_X, BODY_Y, BODY_WIDTH, BODY_HEIGHT, FACE);
    DrawSystemText(dc, BODY_X + 98, BODY_Y + 20, VELKARI_TEXT_ABOUT_LINE1, BLACK, FACE);
    DrawSystemText(dc, BODY_X + 98, BODY_Y + 44, VELKARI_TEXT_ABOUT_LINE2, BLACK, FACE);
    DrawButton(dc);
  }
  // The icon, from the cell sheet (left out when the sheet did not load).
  DrawIconPicture(BODY_X + 28, BODY_Y + 18);
}

}  // namespace

bool AboutBoxOpen() {
  return boxOpen;
}

AboutBoxRect AboutBoxBounds() {
  return {BOX_X, BOX_Y, BOX_WIDTH, BOX_HEIGHT};
}

void OpenAboutBox() {
  if (boxOpen) return;
  const Surface& back = static_cast<const ImageStore&>(gImageStore).GetDrawDC();
  if (!back.Valid()) return;
  if (saved.Width() != back.Width() || saved.Height() != back.Height())
    saved.Create(back.Width(), back.Height());
  BitBlt(saved, 0, 0, back.Width(), back.Height(), &back, 0, 0, SRCCOPY);
  boxOpen = true;
  DrawBox();
  gImageStore.Present();
}

void CloseAboutBox() {
  if (!boxOpen) return;
  boxOpen = false;
  Surface& back = gImageStore.GetDrawDC();
  BitBlt(back, 0, 0, saved.Width(), saved.Height(), &saved, 0, 0, SRCCOPY);
  gImageStore.Present();
  gInputState.IgnoreHeldKeys();
}

void AboutBoxKey(int vkey) {
  if (vkey == platform::VKEY_ESCAPE || vkey == platform::VKEY_RETURN ||
      vkey == platform::VKEY_SPACE || vkey == platform::VKEY_Z)
    CloseAboutBox();
}

void AboutBoxClick(int x, int y) {
  if (x >= BOX_X && x < BOX_X + BOX_WIDTH && y >= BOX_Y && y < BOX_Y + BOX_HEIGHT) CloseAboutBox();
}

const Surface* AboutBoxBehind() {
  return boxOpen ? &saved : nullptr;
}

void ForgetAboutBox() {
  boxOpen = false;
}

void ReleaseAboutBox() {
  boxOpen = false;
  saved.Release();
}
