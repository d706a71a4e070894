# Pixel values depend on exact IEEE arithmetic: no fused multiply-add, no
# fast-math, no host-specific code, and SSE2 rather than x87 on 32-bit x86
# (x87 extended precision would change rounding and so change pixels).
add_compile_options(-Wall -Wextra -ffp-contract=off -fno-fast-math)

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$")
  # Windows only guarantees 4-byte stack alignment to callbacks.
  add_compile_options(-msse2 -mfpmath=sse -mstackrealign)
endif()

if(WIN32)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _CRT_SECURE_NO_WARNINGS)
  # One self-contained .exe: no MinGW runtime DLLs needed on the target.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(SHADELOOM_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
