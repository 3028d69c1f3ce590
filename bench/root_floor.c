/* The floor for setting the X root: the barest program that puts a
 * root-sized picture into a pixmap, in pieces of the same size
 * huevane-render sends, and does nothing else: no gradient, no conversion,
 * no properties, no background. Its bytes are made once, before connecting,
 * as a plain fill of the 32-bit pixels a depth-24 root takes.
 *
 *   root_floor          (DISPLAY names the server; its first screen)
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <xcb/xcb.h>

int main(void) {
  int screen_number = 0;
  xcb_connection_t* c = xcb_connect(NULL, &screen_number);
  if (xcb_connection_has_error(c)) {
    fprintf(stderr, "root_floor: cannot connect\n");
    return 1;
  }
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const uint32_t width = screen->width_in_pixels, height = screen->height_in_pixels;
  const size_t row = (size_t)width * 4;
  size_t max_data = ((size_t)xcb_get_maximum_request_length(c) * 4 - 28) / 4 * 4;
  const size_t piece = 256 * 1024 < max_data ? 256 * 1024 : max_data;
  uint32_t rows = (uint32_t)(piece / row);
  if (rows == 0) rows = 1;
  uint8_t* bytes = malloc(row * rows);
  if (bytes == NULL) return 1;
  memset(bytes, 0x5a, row * rows);

  const xcb_pixmap_t pixmap = xcb_generate_id(c);
  xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, (uint16_t)width, (uint16_t)height);
  const xcb_gcontext_t gc = xcb_generate_id(c);
  xcb_create_gc(c, gc, pixmap, 0, NULL);
  for (uint32_t y = 0; y < height; y += rows) {
    const uint32_t n = height - y < rows ? height - y : rows;
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, (uint16_t)width, (uint16_t)n, 0,
                  (int16_t)y, 0, screen->root_depth, (uint32_t)(row * n), bytes);
  }
  /* Waits until the server has taken every piece. */
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL));
  xcb_disconnect(c);
  free(bytes);
  return 0;
}
