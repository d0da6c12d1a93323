# shellcheck shell=bash
# Sourced by the Windows packaging scripts: what a Windows binary imports,
# which DLLs Windows itself brings, and the check that a folder of programs
# ships exactly the DLLs its binaries import.

objdump_pe=${OBJDUMP_PE:-x86_64-w64-mingw32-objdump}
command -v "$objdump_pe" >/dev/null ||
  { echo "$objdump_pe missing (Debian: binutils-mingw-w64-x86-64)" >&2; exit 2; }

# The DLL names in a PE file's import table, one a line, as written there.
pe_imports() {
  "$objdump_pe" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: *//p' | tr -d '\r'
}

# DLLs that every 64-bit Windows from 10 on has in System32; we never ship
# them. Anything else a binary imports must come with the programs. The list
# is short on purpose: a new import from outside it fails the check until
# someone decides whether Windows really has it.
windows_system_dlls=(
  advapi32.dll authz.dll bcrypt.dll cfgmgr32.dll comctl32.dll comdlg32.dll crypt32.dll
  d2d1.dll d3d9.dll d3d11.dll d3d12.dll dcomp.dll dwmapi.dll dwrite.dll dxgi.dll
  gdi32.dll imm32.dll kernel32.dll mpr.dll msvcrt.dll netapi32.dll ntdll.dll ole32.dll
  oleaut32.dll rpcrt4.dll secur32.dll setupapi.dll shcore.dll shell32.dll shlwapi.dll
  ucrtbase.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll winspool.drv
  winhttp.dll ws2_32.dll wtsapi32.dll
)

is_windows_dll() {
  local name=${1,,}
  case $name in api-ms-win-* | ext-ms-win-*) return 0 ;; esac
  local dll
  for dll in "${windows_system_dlls[@]}"; do [ "$name" = "$dll" ] && return 0; done
  return 1
}

# check_shipped_dlls DIR PLUGIN...: every .exe and .dll under DIR imports
# only DLLs found in DIR itself or in Windows; every DLL in DIR is imported
# by some binary there, except the plugins named (paths under DIR), which Qt
# loads at run time by name. Prints each shipped DLL and who imports it;
# returns 1 on any fault.
check_shipped_dlls() {
  local dir=$1 faults=0 bin dll name
  shift
  declare -A present=() importers=() plugin=()
  for dll in "$@"; do plugin[$dll]=1; done
  for dll in "$dir"/*.dll; do
    [ -e "$dll" ] || continue
    name=$(basename "$dll")
    present[${name,,}]=$name
  done
  while IFS= read -r -d '' dll; do
    name=${dll#"$dir"/}
    if [ -z "${plugin[$name]:-}" ]; then
      echo "import check: $name is shipped but is no plugin we load, and DLLs are imported from the programs' folder only" >&2
      faults=1
    fi
  done < <(find "$dir" -mindepth 2 -type f -iname '*.dll' -print0)
  while IFS= read -r -d '' bin; do
    while IFS= read -r dll; do
      name=${dll,,}
      if [ -n "${present[$name]:-}" ]; then
        importers[$name]+=" ${bin#"$dir"/}"
      elif ! is_windows_dll "$name"; then
        echo "import check: ${bin#"$dir"/} imports $dll, which is neither shipped nor part of Windows" >&2
        faults=1
      fi
    done < <(pe_imports "$bin")
  done < <(find "$dir" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0 | sort -z)
  for name in $(printf '%s\n' "${!present[@]}" | sort); do
    if [ -z "${importers[$name]:-}" ]; then
      echo "import check: ${present[$name]} is shipped but no shipped binary imports it" >&2
      faults=1
    else
      echo "shipped: ${present[$name]} (imported by${importers[$name]})"
    fi
  done
  return $faults
}
