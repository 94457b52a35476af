# Sourced by the build scripts: runs a configure or build step quietly; when it fails, shows
# what it printed.
quietly() {
  local output
  if ! output=$("$@" 2>&1); then
    printf '%s\n' "$output" >&2
    echo "build: failed: $*" >&2
    return 1
  fi
}
