#!/usr/bin/env python3
"""What the release installer carries of other people's code: an SPDX 2.3 JSON document and a
plain notices file with the licence texts, both from the installed Debian packages the build
linked statically.

usage: bill_of_materials.py ARCH OUT_DIR [INSTALLER_SHA256]

ARCH is i686 or x86_64. Writes OUT_DIR/sbom.spdx.json and OUT_DIR/NOTICES.txt. A package that is
not installed stops it: a bill that cannot name what was linked is not written.
"""
import datetime
import json
import os
import subprocess
import sys


def components(arch):
    machine = "i686" if arch == "i686" else "x86-64"
    # (component, Debian package that installed the linked files, SPDX licence of what is linked)
    return [
        ("zlib", "libz-mingw-w64-dev", "Zlib"),
        ("nlohmann-json", "nlohmann-json3-dev", "MIT"),
        ("libstdc++ and libgcc", f"g++-mingw-w64-{machine}-posix", "GPL-3.0-or-later WITH GCC-exception-3.1"),
        ("winpthreads", f"mingw-w64-{machine}-dev", "MIT"),
        ("mingw-w64 runtime", f"mingw-w64-{machine}-dev", "ZPL-2.1 AND LicenseRef-mingw-w64-public-domain"),
    ]


def package_version(package):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout.strip():
        sys.exit(f"bill_of_materials: {package} is not installed")
    return result.stdout.strip()


def copyright_text(package):
    path = f"/usr/share/doc/{package}/copyright"
    if not os.path.isfile(path):
        sys.exit(f"bill_of_materials: {path} is missing")
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def main(arch, out, installer_sha256=None):
    os.makedirs(out, exist_ok=True)
    created = datetime.datetime.fromtimestamp(int(os.environ.get("SOURCE_DATE_EPOCH", "0")),
                                              datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
    packages, relationships, notices, texts = [], [], [], {}
    installer = {"SPDXID": "SPDXRef-Package-lite-installer", "name": "lite_installer.exe",
                 "downloadLocation": "NOASSERTION", "licenseConcluded": "NOASSERTION",
                 "licenseDeclared": "NOASSERTION", "copyrightText": "NOASSERTION", "filesAnalyzed": False}
    if installer_sha256:
        installer["checksums"] = [{"algorithm": "SHA256", "checksumValue": installer_sha256}]
    packages.append(installer)
    for index, (name, package, licence) in enumerate(components(arch)):
        version = package_version(package)
        spdx_id = f"SPDXRef-Package-{index}"
        packages.append({
            "SPDXID": spdx_id, "name": name, "versionInfo": version,
            "supplier": "Organization: Debian", "downloadLocation": "NOASSERTION",
            "externalRefs": [{"referenceCategory": "PACKAGE-MANAGER", "referenceType": "purl",
                              "referenceLocator": f"pkg:deb/debian/{package}@{version}"}],
            "licenseConcluded": licence, "licenseDeclared": licence, "copyrightText": "NOASSERTION",
            "filesAnalyzed": False, "comment": f"statically linked; from the Debian package {package}"})
        relationships.append({"spdxElementId": installer["SPDXID"], "relationshipType": "STATIC_LINK",
                              "relatedSpdxElement": spdx_id})
        notices.append(f"{name} {version} (Debian package {package}), licence {licence}")
        texts.setdefault(package, copyright_text(package))
    document = {
        "spdxVersion": "SPDX-2.3", "dataLicense": "CC0-1.0", "SPDXID": "SPDXRef-DOCUMENT",
        "name": "Vorlex lite installer", "documentNamespace":
            f"https://vorlex.example/spdx/lite_installer/{installer_sha256 or arch}",
        "creationInfo": {"created": created, "creators": ["Tool: tools/release/bill_of_materials.py"]},
        "documentDescribes": [installer["SPDXID"]], "packages": packages, "relationships": relationships,
        "hasExtractedLicensingInfos": [{
            "licenseId": "LicenseRef-mingw-w64-public-domain", "name": "mingw-w64 public domain files",
            "extractedText": "Parts of the mingw-w64 runtime are placed in the public domain by their authors; "
                             "see NOTICES.txt."}],
    }
    with open(os.path.join(out, "sbom.spdx.json"), "w") as f:
        json.dump(document, f, indent=2)
        f.write("\n")
    with open(os.path.join(out, "NOTICES.txt"), "w") as f:
        f.write("The Vorlex lite installer contains the following components, linked statically:\n\n")
        f.write("".join(f"  - {line}\n" for line in notices))
        for package, text in texts.items():
            f.write(f"\n\n==== {package}: copyright and licence texts ====\n\n{text}")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
