#!/bin/sh
# tools/deb-missing against a scripted dpkg database: installed names and what
# they provide count, removed or unknown packages do not.
set -eu
script=$1
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
cat > "$bin/dpkg-query" <<'DB'
#!/bin/sh
printf '%s\n' 'ii |qt6-serialport-dev|libqt6serialport6-dev (= 6.4.2-2)' 'ii |g++|' \
  'rc |cmake|' 'hi |libfoo|bar, baz (>= 1)' 'un |xauth|'
DB
chmod +x "$bin/dpkg-query"
fail=0
check() {
  want=$1; shift
  got=$(PATH="$bin:$PATH" "$script" "$@")
  [ "$got" = "$want" ] || { echo "deb-missing $*: '$got', expected '$want'"; fail=1; }
}
check "" qt6-serialport-dev libqt6serialport6-dev g++ libfoo bar baz g++:amd64
check "cmake xauth nosuch" cmake g++ xauth nosuch
exit $fail
