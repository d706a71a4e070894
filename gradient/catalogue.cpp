#include "catalogue.h"

#include <cctype>

#include "renderers.h"

namespace {

int renderDiagonalLR() { return renderDiagonal(0); }
int renderDiagonalRL() { return renderDiagonal(1); }

// In GradientType order: the index is the type and the list position.
const GradientInfo kCatalogue[kGradientTypeCount] = {
    {"Linear Vertical", renderLinearVertical},
    {"Linear Horizontal", renderLinearHorizontal},
    {"Radial", renderRadial},
    {"Diagonal LR", renderDiagonalLR},
    {"Diagonal RL", renderDiagonalRL},
    {"Sine Vertical", renderSineVertical},
    {"Cosine Vertical", renderCosineVertical},
    {"Sine Horizontal", renderSineHorizontal},
    {"Cosine Horizontal", renderCosineHorizontal},
    {"Sine Radial", renderSineRadial},
    {"Cosine Radial", renderCosineRadial},
    {"2x Radial", renderRadial2x},
    {"2x Sine Radial", renderSineRadial2x},
    {"2x Cosine Radial", renderCosineRadial2x},
};

bool equalIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

}  // namespace

const GradientInfo* gradientInfo(int32_t gradientType) {
  if (gradientType < 0 || gradientType >= kGradientTypeCount) return nullptr;
  return &kCatalogue[gradientType];
}

int32_t gradientTypeByName(const char* name) {
  if (!name) return -1;
  for (int32_t type = 0; type < kGradientTypeCount; ++type) {
    if (equalIgnoringCase(kCatalogue[type].displayName, name)) return type;
  }
  return -1;
}
