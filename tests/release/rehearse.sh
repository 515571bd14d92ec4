#!/usr/bin/env bash
# rehearse.sh SOURCE_DIR BUILD_DIR ARCH: scripts/release end to end with the build tree's rehearsal
# key set standing in for a distribution's keys, building with loopback endpoints for the
# machine of this test build. The code-signing key is signed with as a distribution signs: through
# PKCS #11 from a token (a SoftHSM token of this build tree, its PIN in a file), with a time stamp
# from a loopback time-stamp authority, the signer pinned by its fingerprint. The copies land in
# BUILD_DIR/release_rehearsal/out.
set -euo pipefail
src=$1
build=$2
arch=$3
work=$build/release_rehearsal
pki=$build/rehearsal_pki
rm -rf "$work/out" "$work/token" "$work/tsa/port" "$work/unsigned.exe"
mkdir -p "$work/token/tokens" "$work/tsa"

# The token: the rehearsal code-signing key imported into a fresh SoftHSM token.
export SOFTHSM2_CONF=$work/token/softhsm2.conf
echo "directories.tokendir = $work/token/tokens" > "$SOFTHSM2_CONF"
printf '%s' 246810 > "$work/token/pin"
softhsm2-util --init-token --free --label rehearsal --pin "$(cat "$work/token/pin")" --so-pin 13579111 >/dev/null
openssl pkcs8 -topk8 -nocrypt -in "$pki/private/codesign.key" -out "$work/token/codesign.p8"
softhsm2-util --import "$work/token/codesign.p8" --token rehearsal --label codesign --id 01 \
  --pin "$(cat "$work/token/pin")" >/dev/null
rm -f "$work/token/codesign.p8"
cat "$pki/codesign.pem" "$pki/ca.pem" > "$work/token/codesign_chain.pem"
fingerprint=$(openssl x509 -in "$pki/codesign.pem" -noout -fingerprint -sha256 | cut -d= -f2)

# The time-stamp authority, on 127.0.0.1 for this run only.
python3 "$src/tools/release/tsa_server.py" "$work/tsa" &
tsa=$!
trap 'kill $tsa 2>/dev/null' EXIT
for _ in $(seq 100); do [ -s "$work/tsa/port" ] && break; sleep 0.1; done
[ -s "$work/tsa/port" ] || { echo "the time-stamp authority did not start"; exit 1; }
port=$(cat "$work/tsa/port")

# The first authority refuses the connection (nothing listens on its port): the second is used.
"$src/scripts/release" --rehearsal --arch "$arch" \
  --keys "$pki/keys" \
  --pkcs11-key "pkcs11:token=rehearsal;object=codesign;type=private" \
  --pkcs11-module /usr/lib/softhsm/libsofthsm2.so --pin-file "$work/token/pin" \
  --pkcs11-cert "$work/token/codesign_chain.pem" --ca "$pki/ca.pem" --expect-signer "$fingerprint" \
  --timestamp-url "http://127.0.0.1:9/" --timestamp-url "http://127.0.0.1:$port/" --tsa-ca "$work/tsa/ca.pem" \
  --partners "$src/tests/release/partners.txt" --out "$work/out" --build-dir "$work/build"

# What the manifest promises: every sum (the manifest's too), the pinned signer, the time stamp,
# the file date, and the way back from the signed download to the reproducible unsigned build.
cd "$work/out"
sha256sum --quiet -c SHA256SUMS
grep -q "  manifest.json$" SHA256SUMS
# The symbols kept for tools/symbolize: the unstripped link, which names the installer's functions.
symbols=$(python3 -c 'import json; print(json.load(open("manifest.json"))["symbols"]["folder"])')
python3 "$src/tools/symbolize/symbolize.py" --rva "$symbols/lite_installer.exe" wWinMain "$work/wwinmain.rva"
[ -s "$symbols/lite_installer.map" ]
osslsigncode remove-signature -in lite_installer.exe -out "$work/unsigned.exe" >/dev/null
python3 - "$fingerprint" "$(sha256sum "$work/unsigned.exe" | cut -d' ' -f1)" "$src" <<'PY'
import json, re, sys
fingerprint, unsigned, src = sys.argv[1].replace(":", "").lower(), sys.argv[2], sys.argv[3]
m = json.load(open("manifest.json"))
version = re.search(r"project\(\S+ VERSION (\S+)", open(src + "/CMakeLists.txt").read()).group(1)
problems = [what for what, ok in [
    ("signer fingerprint", m["signer"]["sha256"] == fingerprint),
    ("signer serial", m["signer"]["serial"].lstrip("0") == "C0DE5167"),
    ("time stamp", bool(m["timestamp"] and m["timestamp"]["time"])),
    ("version", m["version"] == version),
    ("file date", m["version_file_date"] == m["source_date_epoch"]),
    ("key slots", sorted(k["input"] for k in m["keys"]) == sorted(
        ["VORLEX_BRAND_SIGNING_KEY", "VORLEX_MSI_OVERRIDE_KEY", "VORLEX_TRUSTED_LIST_KEY_2", "VORLEX_TRUSTED_LIST_KEY_7"])),
    ("toolchain", all(m["toolchain"].values())),
    ("signature removed gives the unsigned build", m["unsigned_sha256"] == unsigned),
    ("documents listed", sorted(d["file"] for d in m["documents"]) == ["NOTICES.txt", "sbom.spdx.json"]),
] if not ok]
bom = json.load(open("sbom.spdx.json"))
notices = open("NOTICES.txt").read()
linked = {p["name"]: p for p in bom["packages"][1:]}
for name in ("zlib", "nlohmann-json", "libstdc++ and libgcc", "winpthreads", "mingw-w64 runtime"):
    p = linked.get(name)
    if not p or not p.get("versionInfo") or p.get("licenseConcluded", "NOASSERTION") == "NOASSERTION":
        problems.append(f"bill of materials: {name}")
    elif f"{name} {p['versionInfo']}" not in notices:
        problems.append(f"notices: {name}")
if bom["packages"][0]["checksums"][0]["checksumValue"] != m["unsigned_sha256"]:
    problems.append("bill of materials: installer checksum")
if problems:
    sys.exit("manifest check failed: " + ", ".join(problems) + "\n" + json.dumps(m, indent=2))
print("manifest: sums, signer, time stamp, file date, unsigned hash and bill of materials check out")
PY
