# Writes a header holding a text file as a raw string literal:
#   cmake -DIN=file -DOUT=header -DVAR=name -P EmbedText.cmake
file(READ "${IN}" content)
get_filename_component(name "${IN}" NAME)
file(WRITE "${OUT}.tmp"
  "#pragma once\n// Generated from ${name} at build time; edit that file instead.\n"
  "namespace quilo::embedded {\n"
  "inline constexpr const char ${VAR}[] = R\"QUILO_EMBED(${content})QUILO_EMBED\";\n"
  "} // namespace quilo::embedded\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
