#!/usr/bin/env bash
# The README's walk-through, run as written: the shell blocks marked
# <!-- walk-through --> in README.md, one command at a time, each expected to
# succeed unless its comment says it fails (exit status N). A fresh user's
# home and git settings; the release's .deb of this build in the folder it
# starts from; sudo and apt-get are stand-ins that extract a .deb (nothing is
# installed on this machine); the repository https://github.com/YOUR-ORG/qlx
# is this working tree, tagged as the README's release. Then the workflow it
# wrote, as GitHub's runner would run it: the action's steps from action.yml
# with the workflow's inputs, the install step fetching the release's .deb
# (curl is a stand-in too); green, and red once a procedure without a header
# is committed past the hooks. Exit 77 (skipped) without pre-commit or git.
#   tests/packaging/walkthrough_test.sh FOLDER VERSION   (FOLDER holds qlx_VERSION_ARCH.deb)
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 FOLDER VERSION" >&2; exit 2; }
version=$2
deb=$(realpath "$1/qlx_${version}_$(dpkg --print-architecture).deb")
[ -f "$deb" ] || { echo "walk-through test: no package $deb" >&2; exit 2; }
root=$(cd "$(dirname "$0")/../.." && pwd)
command -v pre-commit >/dev/null && command -v git >/dev/null || { echo "pre-commit or git not installed: skipped"; exit 77; }
fail() {
  echo "walk-through test: FAIL: $*" >&2
  exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/qlx-walkthrough.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/exported" "$work/stubs" "$work/user/usr/bin" "$work/runner/usr/bin"

# apt-get install extracts each .deb into $QLX_TEST_ROOT and accepts the
# other packages only when this machine has them; curl serves the release's
# .deb of the README's repository and fails on any other address.
cat >"$work/stubs/apt-get" <<'STUB'
#!/bin/bash
[ "$1" = install ] || exit 0
shift
for p in "$@"; do
  case $p in
    -*) ;;
    *.deb) [ -f "$p" ] || { echo "E: Unsupported file $p given on commandline" >&2; exit 100; }
           [ "$(dpkg-deb -f "$p" Package)" = qlx ] || exit 100
           dpkg-deb -x "$p" "$QLX_TEST_ROOT" ;;
    *) dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" ||
         { echo "E: $p is not on the test machine" >&2; exit 100; } ;;
  esac
done
STUB
cat >"$work/stubs/curl" <<STUB
#!/bin/bash
out= url=
while [ \$# -gt 0 ]; do
  case \$1 in -o) out=\$2; shift ;; -*) ;; *) url=\$1 ;; esac
  shift
done
[ "\$url" = "https://github.com/YOUR-ORG/qlx/releases/download/v$version/qlx_${version}_amd64.deb" ] || exit 22
cp "$deb" "\$out"
STUB
printf '#!/bin/bash\nexec "$@"\n' >"$work/stubs/sudo"
chmod +x "$work/stubs/"*

# The user's modules, as the VBA editor exports them: Shift-JIS, CRLF.
printf 'Attribute VB_Name = "Orders"\r\nOption Explicit\r\n\r\nPublic Function Total(ByVal a As Long, ByVal b As Long) As Long\r\n    Total = a + b\r\nEnd Function\r\n' \
  >"$work/home/exported/Orders.bas"
printf 'VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1  '"'"'True\r\nEND\r\nAttribute VB_Name = "Customer"\r\nAttribute VB_GlobalNameSpace = False\r\nAttribute VB_Creatable = False\r\nAttribute VB_PredeclaredId = False\r\nAttribute VB_Exposed = False\r\nOption Explicit\r\n\r\nPrivate m_Name As String\r\n\r\nPublic Property Get Name() As String\r\n    Name = m_Name\r\nEnd Property\r\n\r\nPublic Property Let Name(ByVal Value As String)\r\n    m_Name = Value\r\nEnd Property\r\n' \
  >"$work/home/exported/Customer.cls"
cp "$deb" "$work/home/"
[ -f "$work/home/qlx_${version}_amd64.deb" ] || fail "the build's package is not qlx_${version}_amd64.deb"

# The repository the README's hooks and action come from: this working tree
# (its hooks and action as they are now), released as v$version.
git clone -q "$root" "$work/qlx"
cp "$root/.pre-commit-hooks.yaml" "$root/action.yml" "$work/qlx/"
git -C "$work/qlx" -c user.name=qlx -c user.email=qlx@example.invalid commit -q -a --allow-empty -m "as in the working tree"
git -C "$work/qlx" tag "v$version"
mkdir -p "$work/_actions/YOUR-ORG/qlx"
ln -s "$root" "$work/_actions/YOUR-ORG/qlx/v$version"

# A fresh user: own home and git settings (GitHub reached nowhere but here),
# no qlx settings from this machine.
unset QLX_INI QLX_CONFIG_DIR XDG_CONFIG_HOME GIT_CONFIG_GLOBAL GIT_DIR GIT_WORK_TREE
export HOME=$work/home PRE_COMMIT_HOME=$work/cache QLX_TEST_ROOT=$work/user
export PATH=$work/stubs:$work/user/usr/bin:$PATH
git config --global url."$work/qlx".insteadOf https://github.com/YOUR-ORG/qlx
git config --global init.defaultBranch main

# The README's commands, one at a time in one shell, each with the exit
# status its comment promises (0 when it says none).
python3 - "$root/README.md" "$root/README.ja.md" >"$work/walkthrough.sh" <<'PY'
import re, shlex, sys


def walkthrough(path):
    """The commands of the blocks marked <!-- walk-through -->, each a list of
    lines (more than one for a here-document)."""
    lines = open(path, encoding="utf-8").read().splitlines()
    commands = []
    for i, line in enumerate(lines):
        if line.strip() != "<!-- walk-through -->":
            continue
        fence = lines[i + 1]
        indent = len(fence) - len(fence.lstrip())
        assert fence.strip() == "```sh", f"{path}:{i + 2}: a walk-through block is a ```sh block"
        end = next(k for k in range(i + 2, len(lines)) if lines[k].strip() == "```")
        block = iter(l[indent:] for l in lines[i + 2:end])
        for first in block:
            command = [first]
            here = re.search(r"<<-?'?(\w+)'?", first)
            while here and command[-1] != here.group(1):
                command.append(next(block))
            if first.strip():
                commands.append(command)
    return commands


commands = walkthrough(sys.argv[1])
assert len(commands) > 10, "README.md has no walk-through"
# The Japanese README gives the same commands; only the comments differ.
bare = lambda cs: [[re.sub(r"\s+#.*$", "", c[0])] + c[1:] for c in cs]
assert bare(walkthrough(sys.argv[2])) == bare(commands), "README.ja.md's walk-through is not README.md's"
print("cd \"$HOME\"")
for command in commands:
    status = re.search(r"#.*\bexit status (\d+)", command[0])
    want = int(status.group(1)) if status else 0
    print(f"echo {shlex.quote('$ ' + command[0])}")
    print("{\n" + "\n".join(command) + "\n} </dev/null")
    print(f"got=$?; [ $got = {want} ] || {{ echo {shlex.quote('walk-through: exit status ')}$got{shlex.quote(', not ' + str(want) + ', of: ' + command[0])} >&2; exit 1; }}")
print("pwd >\"$QLX_TEST_WORKDIR\"")
PY
export QLX_TEST_WORKDIR=$work/workdir.txt
bash "$work/walkthrough.sh" 2>&1 | sed 's/^/  /'
[ "${PIPESTATUS[0]}" = 0 ] || fail "the README's walk-through did not go as it says"

repo=$(cat "$QLX_TEST_WORKDIR")
[ "$(command -v qlx)" = "$work/user/usr/bin/qlx" ] || fail "the qlx run was not the one of the package"
cd "$repo"
git diff --quiet HEAD && [ -z "$(git status --porcelain)" ] || fail "the walk-through left changes uncommitted"
[ "$(iconv -f CP932 -t UTF-8 src/Orders.bas | grep -c "'|作  者|:山田 太郎")" = 1 ] || fail "Orders.bas got no header"
[ "$(iconv -f CP932 -t UTF-8 src/Customer.cls | grep -c "'|作  者|:山田 太郎")" = 2 ] || fail "Customer.cls did not get two headers"

# The workflow the README wrote, as the runner runs it: each step of the
# action (a composite action) with the workflow's inputs, on a runner whose
# qlx comes only from the action's install step.
runner() {
  QLX_TEST_ROOT=$work/runner RUNNER_TEMP=$work/runner-temp \
    PATH=$work/stubs:$work/runner/usr/bin:$(sed "s|$work/user/usr/bin:||" <<<"$PATH") \
    python3 - "$work/_actions" <<'PY'
import os, re, subprocess, sys, yaml
actions = sys.argv[1]
workflow = yaml.safe_load(open(".github/workflows/vba.yml", encoding="utf-8"))
(job,) = workflow["jobs"].values()
checkout, step = job["steps"]
assert checkout["uses"].startswith("actions/checkout@"), checkout
path = os.path.join(actions, *step["uses"].replace("@", "/").split("/"))
action = yaml.safe_load(open(os.path.join(path, "action.yml"), encoding="utf-8"))
inputs = {name: str(declared.get("default", "")) for name, declared in action["inputs"].items()}
for name, value in (step.get("with") or {}).items():
    assert name in inputs, f"the workflow gives the action an input it does not have: {name}"
    inputs[name] = str(value)
expand = lambda text: re.sub(r"\$\{\{\s*inputs\.([\w-]+)\s*\}\}", lambda m: inputs[m.group(1)], str(text))
os.makedirs(os.environ["RUNNER_TEMP"], exist_ok=True)
for s in action["runs"]["steps"]:
    env = dict(os.environ, GITHUB_ACTION_PATH=path, **{k: expand(v) for k, v in s.get("env", {}).items()})
    status = subprocess.run(["bash", "--noprofile", "--norc", "-eo", "pipefail", "-c", expand(s["run"])], env=env).returncode
    if status:
        print(f"step '{s['name']}' failed with exit status {status}")
        sys.exit(status)
PY
}
status=0
runner >"$work/out.txt" 2>&1 || status=$?
sed 's/^/  /' "$work/out.txt"
[ "$status" = 0 ] || fail "the workflow's job failed on the committed modules"
grep -q "^qlx: $work/runner/usr/bin/qlx $version" "$work/out.txt" || fail "the job's qlx is not the release's"
grep -q '^::' "$work/out.txt" && fail "the job annotated a finding on the committed modules"

printf 'Public Sub Post()\r\nEnd Sub\r\n' >>src/Orders.bas
git commit -q -a --no-verify -m "Post, past the hooks"
status=0
runner >"$work/out.txt" 2>&1 || status=$?
sed 's/^/  /' "$work/out.txt"
[ "$status" = 1 ] || fail "the job exited $status on a procedure without a header"
grep -q "^::error file=src/Orders.bas,line=[0-9]*,col=1,title=missing-header::" "$work/out.txt" ||
  fail "the job did not show the finding on its line"
echo "walk-through test: PASS"
