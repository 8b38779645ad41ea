# Reading a PE image's import and export tables with objdump; sourced, not run.
# x86_64-w64-mingw32-objdump reads both the i686 and the x86_64 images.
PE_OBJDUMP=${PE_OBJDUMP:-x86_64-w64-mingw32-objdump}

# "LIBRARY function" per import, the library upper case without ".DLL", ".EXE" or ".SYS".
pe_imports() {
  "$PE_OBJDUMP" -p "$1" | awk '
    /^\tDLL Name: / { dll = toupper($3); sub(/\.(DLL|EXE|SYS)$/, "", dll) }
    /^\tvma:/ { inTable = 1; next }
    /^ *$/ { inTable = 0 }
    inTable && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }' | sort -u
}

# The imported libraries, upper case, one a line.
pe_import_libraries() {
  "$PE_OBJDUMP" -p "$1" | awk '/^\tDLL Name: / { print toupper($3) }' | sort -u
}

# The exported names, one a line.
pe_exports() {
  "$PE_OBJDUMP" -p "$1" | awk '
    /^\[Ordinal\/Name Pointer\] Table/ { inTable = 1; next }
    inTable && /^\t\[ *[0-9]+\] / { sub(/^\t\[ *[0-9]+\] /, ""); print; next }
    inTable { inTable = 0 }' | sort -u
}
