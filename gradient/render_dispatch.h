#pragma once

// Renders the current gradient type into the image, then rebuilds the thumbnail.
void renderCurrentGradient();
