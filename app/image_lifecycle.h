// Replacing the image: a new one is built in a temporary record and moved
// into the state only when complete, so a failure leaves the old one intact.
#pragma once

// New 512 x 512 image with every setting at its default. 1, or 0 when it
// could not be made (width and height then read 512; the image is unchanged).
int resetImage();

// New image at g_state->width x height with the current settings. 1, or 0
// for a zero size or when it could not be made (the image is unchanged).
int resizeImage();
