#!/usr/bin/env bash
# Runs the files, search and harvest test programs of a build as an
# unprivileged user, so that a test that only passes for the superuser (who
# ignores permission bits) cannot go unnoticed while CI runs as root.
#
#   scripts/test-unprivileged.sh BUILD_FOLDER [USER]
#
# As root the programs are copied to a folder USER (default nobody) can read
# and run there with a fresh HOME it can write; as anyone else they simply
# run as that user. Exits non-zero when any test fails.
set -euo pipefail
build=${1:?usage: $0 BUILD_FOLDER [USER]}
user=${2:-nobody}
programs=(files/files_tests search/search_tests harvest/harvest_tests)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/home"
for p in "${programs[@]}"; do
  cp "$build/tests/$p" "$work/bin/"
done
# The geocoder module is looked for beside the program first.
cp "$build/src/harvest/libvalo_geocoder.so" "$work/bin/"
chmod -R a+rX "$work"

run_as=()
if [ "$(id -u)" -eq 0 ]; then
  chown "$user" "$work/home"
  run_as=(runuser -u "$user" --)
fi

status=0
for p in "${programs[@]}"; do
  name=$(basename "$p")
  echo "== $name as $([ ${#run_as[@]} -gt 0 ] && echo "$user" || id -un)"
  # A clean environment: nothing of the caller's (a root HOME, say) leaks in.
  if ! (cd "$work/home" && "${run_as[@]}" env -i PATH=/usr/bin:/bin HOME="$work/home" LC_ALL=C.UTF-8 \
    ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS} \
    "$work/bin/$name" --gtest_brief=1); then
    status=1
  fi
done
exit $status
