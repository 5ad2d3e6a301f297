#!/usr/bin/env python3
"""The Group Policy templates policy/Lanthe.admx and policy/en-US/Lanthe.adml.

They must be what the Group Policy editors load (the structure of the ADMX schema,
every string and presentation they name), and they must write exactly the registry
values Lanthe reads as policies: the list `lanthe-config policies` prints. A setting
that gains a policy value without a template, or a template that writes a value
Lanthe never reads, fails here. They must also import alone: a store without
Windows.admx (Intune's import of a custom ADMX) rejects a template that refers to
another namespace, so every reference must be to this file.

    admx_test.py LANTHE_CONFIG POLICY_DIR
"""

import re
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

NS = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"
VERSION = re.compile(r"^\d+\.\d+$")
STRING_REF = re.compile(r"^\$\(string\.([^)]+)\)$")
PRESENTATION_REF = re.compile(r"^\$\(presentation\.([^)]+)\)$")
DWORD_MAX = 0xFFFFFFFF

# The children a policy may have, in the order the schema has them.
POLICY_CHILDREN = ["annotation", "parentCategory", "seeAlso", "keywords", "supportedOn", "enabledValue",
                   "disabledValue", "enabledList", "disabledList", "elements"]
ROOT_CHILDREN = ["policyNamespaces", "supersededAdm", "annotation", "resources", "supportedOn", "categories",
                 "policies"]
# Which presentation control belongs to which element.
CONTROLS = {"decimal": {"decimalTextBox"}, "text": {"textBox", "comboBox"}, "enum": {"dropdownList"},
            "boolean": {"checkBox"}}

failures = []


def fail(message):
    failures.append(message)


def local(tag):
    """The tag without its namespace, or None for an element outside the Group Policy one."""
    if not tag.startswith("{" + NS + "}"):
        return None
    return tag[len(NS) + 2:]


def children(element, name):
    return element.findall(f"{{{NS}}}{name}")


def in_schema_order(element, order, what):
    names = [local(child.tag) for child in element]
    for name in names:
        if name not in order:
            fail(f"{what}: unexpected element <{name}>")
            return
    positions = [order.index(name) for name in names]
    if positions != sorted(positions):
        fail(f"{what}: children out of the schema's order: {', '.join(names)}")


def parse(path):
    try:
        return ET.parse(path).getroot()
    except (OSError, ET.ParseError) as error:
        fail(f"{path}: {error}")
        return None


def check_versions(root, what):
    for attribute in ("revision", "schemaVersion"):
        if not VERSION.match(root.get(attribute, "")):
            fail(f"{what}: {attribute} is {root.get(attribute)!r}, not major.minor")


def string_table(adml):
    """The ADML's strings and presentations by id."""
    check_versions(adml, "ADML")
    if local(adml.tag) != "policyDefinitionResources":
        fail(f"ADML: the root is {adml.tag}, not policyDefinitionResources in {NS}")
    resources = children(adml, "resources")
    if len(resources) != 1:
        fail("ADML: not exactly one <resources>")
        return {}, {}
    strings, presentations = {}, {}
    for string in resources[0].iterfind(f"{{{NS}}}stringTable/{{{NS}}}string"):
        if string.get("id") in strings:
            fail(f"ADML: string {string.get('id')} defined twice")
        strings[string.get("id")] = string.text or ""
    for presentation in resources[0].iterfind(f"{{{NS}}}presentationTable/{{{NS}}}presentation"):
        if presentation.get("id") in presentations:
            fail(f"ADML: presentation {presentation.get('id')} defined twice")
        presentations[presentation.get("id")] = presentation
    return strings, presentations


def check_namespaces(admx):
    """The prefixes of the ADMX's namespaces; the target's first."""
    namespaces = children(admx, "policyNamespaces")
    if len(namespaces) != 1:
        fail("ADMX: not exactly one <policyNamespaces>")
        return None, set()
    targets = children(namespaces[0], "target")
    if len(targets) != 1 or not targets[0].get("prefix") or not targets[0].get("namespace"):
        fail("ADMX: <policyNamespaces> needs one <target> with prefix and namespace")
        return None, set()
    using = {u.get("prefix"): u.get("namespace") for u in children(namespaces[0], "using")}
    if using:
        fail(f"ADMX: uses other namespaces ({', '.join(sorted(using.values()))}); it must import without them")
    if targets[0].get("prefix") in using:
        fail("ADMX: the target's prefix is also a used namespace's")
    resources = children(admx, "resources")
    if len(resources) != 1 or not VERSION.match(resources[0].get("minRequiredRevision", "")):
        fail("ADMX: <resources minRequiredRevision=\"major.minor\"/> is missing")
    return targets[0].get("prefix"), set(using)


def resolve(reference, target, using, names, what):
    """Whether a reference names one of names (in this file) or something of a used namespace."""
    prefix, _, name = reference.rpartition(":")
    if prefix and prefix != target:
        if prefix not in using:
            fail(f"{what}: {reference} has a prefix no <using> declares")
        return prefix in using
    if name not in names:
        fail(f"{what}: {reference} is not defined here")
        return False
    return True


def check_supported_on(admx, target, using):
    """The names of the file's own supportedOn definitions."""
    definitions = {}
    for definition in admx.iterfind(f"{{{NS}}}supportedOn/{{{NS}}}definitions/{{{NS}}}definition"):
        name = definition.get("name")
        if not name or name in definitions:
            fail(f"ADMX: supportedOn definition {name!r} is unnamed or defined twice")
        if not definition.get("displayName"):
            fail(f"ADMX: supportedOn definition {name} has no displayName")
        definitions[name] = definition
    for name, definition in definitions.items():
        for reference in definition.iter(f"{{{NS}}}reference"):
            resolve(reference.get("ref", ""), target, using, definitions, f"supportedOn definition {name}")
    return set(definitions)


def check_categories(admx, target, using):
    categories = {}
    for category in admx.iterfind(f"{{{NS}}}categories/{{{NS}}}category"):
        name = category.get("name")
        if not name or name in categories:
            fail(f"ADMX: category {name!r} is unnamed or defined twice")
        if not category.get("displayName"):
            fail(f"ADMX: category {name} has no displayName")
        categories[name] = category
    parents = {}
    for name, category in categories.items():
        refs = children(category, "parentCategory")
        if len(refs) > 1:
            fail(f"ADMX: category {name} has more than one parentCategory")
        if refs and resolve(refs[0].get("ref", ""), target, using, categories, f"category {name}"):
            parents[name] = refs[0].get("ref").rpartition(":")[2]
    top = [name for name in categories if name not in parents]
    if top != ["Lanthe"]:
        fail(f"ADMX: the categories without a parent are {top}, not Lanthe alone")
    for name in categories:  # every chain of parents ends, at Lanthe
        seen, at = set(), name
        while at in parents and at not in seen:
            seen.add(at)
            at = parents[at]
        if at in seen or at != "Lanthe":
            fail(f"ADMX: category {name} does not lead to Lanthe")
    return set(categories)


def decimal_of(container, what):
    """The number in <decimal value=.../> of an enabledValue, value, trueValue ...; None when not one."""
    values = list(container)
    if len(values) != 1 or local(values[0].tag) != "decimal":
        return None
    try:
        number = int(values[0].get("value", ""))
    except ValueError:
        fail(f"{what}: {values[0].get('value')!r} is not a number")
        return None
    if not 0 <= number <= DWORD_MAX:
        fail(f"{what}: {number} does not fit a REG_DWORD")
    return number


def value_kind(container, what):
    """REG_DWORD for a <decimal>, REG_SZ for a <string>, as a value container holds it."""
    values = list(container)
    if len(values) == 1 and local(values[0].tag) == "string":
        return "REG_SZ"
    if decimal_of(container, what) is not None:
        return "REG_DWORD"
    fail(f"{what}: a value that is neither one decimal nor one string")
    return None


def flag_values(on, off, what):
    """A flag: on writes a number that is not 0, off writes 0 (Lanthe's reading of a flag)."""
    if on is None or off is None:
        fail(f"{what}: a flag needs both the value for on and the value for off")
        return
    on_number, off_number = decimal_of(on, what), decimal_of(off, what)
    if on_number in (None, 0) or off_number != 0:
        fail(f"{what}: a flag writes decimal 1 when on and decimal 0 when off, not {on_number} and {off_number}")


def element_writes(element, key, what):
    """(key, valueName, kind) that one element of <elements> writes."""
    kind_name = local(element.tag)
    where = element.get("key", key)
    name = element.get("valueName")
    if not name:
        fail(f"{what}: element {element.get('id')} has no valueName")
        return []
    if kind_name == "decimal":
        if element.get("storeAsText") == "true":
            return [(where, name, "REG_SZ")]
        low, high = int(element.get("minValue", "0")), element.get("maxValue")
        # Without maxValue the editors stop at 9999.
        if high is None or not low <= int(high) <= DWORD_MAX:
            fail(f"{what}: decimal {element.get('id')} needs a maxValue from minValue to {DWORD_MAX}")
        return [(where, name, "REG_DWORD")]
    if kind_name == "text":
        # REG_EXPAND_SZ when expandable: Lanthe reads it as a text as it reads REG_SZ.
        return [(where, name, "REG_SZ")]
    if kind_name == "enum":
        items = children(element, "item")
        if not items:
            fail(f"{what}: enum {element.get('id')} has no items")
        kinds, seen = set(), set()
        for item in items:
            value = children(item, "value")
            if len(value) != 1:
                fail(f"{what}: an item of enum {element.get('id')} has no single <value>")
                continue
            kinds.add(value_kind(value[0], what))
            number = decimal_of(value[0], what)
            if number in seen:
                fail(f"{what}: enum {element.get('id')} has the value {number} twice")
            seen.add(number)
            if children(item, "valueList"):
                fail(f"{what}: an item of enum {element.get('id')} writes further values")
        if len(kinds) != 1:
            fail(f"{what}: enum {element.get('id')} mixes kinds of values: {kinds}")
        return [(where, name, kind) for kind in kinds if kind]
    if kind_name == "boolean":
        true, false = children(element, "trueValue"), children(element, "falseValue")
        flag_values(true[0] if true else None, false[0] if false else None, f"{what}: boolean {element.get('id')}")
        return [(where, name, "REG_DWORD")]
    fail(f"{what}: element <{kind_name}> writes nothing Lanthe reads")
    return []


def check_policies(admx, target, using, categories, supported_names, presentations):
    """Every policy's shape and references; returns what the policies write."""
    writes = {}
    names = set()
    used_presentations = set()
    for policy in admx.iterfind(f"{{{NS}}}policies/{{{NS}}}policy"):
        name = policy.get("name")
        what = f"policy {name}"
        if not name or name in names:
            fail(f"ADMX: policy {name!r} is unnamed or defined twice")
        names.add(name)
        for attribute in ("class", "displayName", "explainText", "key"):
            if not policy.get(attribute):
                fail(f"{what}: no {attribute}")
        if policy.get("class") != "Machine":
            fail(f"{what}: class is {policy.get('class')!r}; Lanthe reads machine policies only")
        in_schema_order(policy, POLICY_CHILDREN, what)
        parent = children(policy, "parentCategory")
        if len(parent) != 1:
            fail(f"{what}: not exactly one parentCategory")
        else:
            resolve(parent[0].get("ref", ""), target, using, categories, what)
        supported = children(policy, "supportedOn")
        if len(supported) != 1:
            fail(f"{what}: not exactly one supportedOn")
        else:
            resolve(supported[0].get("ref", ""), target, using, supported_names, what)

        key = policy.get("key", "")
        policy_writes = []
        on, off = children(policy, "enabledValue"), children(policy, "disabledValue")
        if policy.get("valueName"):
            flag_values(on[0] if on else None, off[0] if off else None, what)
            policy_writes.append((key, policy.get("valueName"), "REG_DWORD"))
        elif on or off:
            fail(f"{what}: enabledValue or disabledValue without a valueName")
        if children(policy, "enabledList") or children(policy, "disabledList"):
            fail(f"{what}: enabledList and disabledList write values beside the policy's own")

        elements = [element for group in children(policy, "elements") for element in group]
        ids = {}
        for element in elements:
            ids[element.get("id")] = local(element.tag)
            policy_writes += element_writes(element, key, what)
        reference = policy.get("presentation")
        if elements and not reference:
            fail(f"{what}: elements without a presentation")
        if reference:
            match = PRESENTATION_REF.match(reference)
            presentation = presentations.get(match.group(1)) if match else None
            if presentation is None:
                fail(f"{what}: presentation {reference} is not in the ADML's presentationTable")
            else:
                used_presentations.add(match.group(1))
                shown = set()
                for control in presentation:
                    ref = control.get("refId")
                    if ref is None:
                        continue  # plain text
                    if ref not in ids:
                        fail(f"{what}: the presentation's {local(control.tag)} refers to {ref}, no element of it")
                    elif local(control.tag) not in CONTROLS.get(ids[ref], set()):
                        fail(f"{what}: element {ref} ({ids[ref]}) is shown as a {local(control.tag)}")
                    shown.add(ref)
                for missing in sorted(set(ids) - shown):
                    fail(f"{what}: element {missing} has no control in the presentation")

        if len(policy_writes) != 1:
            fail(f"{what}: writes {len(policy_writes)} registry values, not one: {policy_writes}")
        for write in policy_writes:
            place = write[:2]
            if place in writes:
                fail(f"{what}: {place[0]}\\{place[1]} is written by policy {writes[place][1]} as well")
            writes[place] = (write[2], name)
    for unused in sorted(set(presentations) - used_presentations):
        fail(f"ADML: presentation {unused} belongs to no policy")
    return writes


def check_strings(admx, strings):
    referenced = set()
    for element in admx.iter():
        for attribute, value in element.attrib.items():
            match = STRING_REF.match(value)
            if value.startswith("$(string.") and not match:
                fail(f"ADMX: {attribute}={value!r} is not a string reference")
            if match:
                referenced.add(match.group(1))
                if not strings.get(match.group(1), "").strip():
                    fail(f"ADMX: {value} is not in the ADML's stringTable (or empty)")
    for unused in sorted(set(strings) - referenced):
        fail(f"ADML: string {unused} is used by nothing in the ADMX")


def values_read(tool):
    """(key, valueName) -> (kind, setting) as `lanthe-config policies` lists them."""
    try:
        result = subprocess.run([tool, "policies"], capture_output=True, text=True)
    except OSError as error:
        fail(f"{tool} policies: {error}")
        return {}
    if result.returncode != 0 or not result.stdout.strip():
        fail(f"{tool} policies: exit {result.returncode}, {result.stderr.strip()}")
        return {}
    read = {}
    for line in result.stdout.splitlines():
        fields = line.split("\t")
        if len(fields) != 3 or "\\" not in fields[0]:
            fail(f"{tool} policies: a line not of the form path, type, setting: {line!r}")
            continue
        key, _, name = fields[0].rpartition("\\")
        read[(key, name)] = (fields[1], fields[2])
    return read


def compare(writes, read):
    for place in sorted(set(read) - set(writes)):
        kind, setting = read[place]
        fail(f"no policy for {setting}: nothing writes {place[0]}\\{place[1]} ({kind})")
    for place in sorted(set(writes) - set(read)):
        kind, policy = writes[place]
        fail(f"policy {policy} writes {place[0]}\\{place[1]} ({kind}), which Lanthe does not read")
    for place in sorted(set(writes) & set(read)):
        if writes[place][0] != read[place][0]:
            fail(f"policy {writes[place][1]} writes {place[0]}\\{place[1]} as {writes[place][0]}, "
                 f"Lanthe reads it as {read[place][0]} ({read[place][1]})")


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    tool, folder = sys.argv[1], Path(sys.argv[2])
    admx, adml = parse(folder / "Lanthe.admx"), parse(folder / "en-US" / "Lanthe.adml")
    if admx is not None and adml is not None:
        if local(admx.tag) != "policyDefinitions":
            fail(f"ADMX: the root is {admx.tag}, not policyDefinitions in {NS}")
        check_versions(admx, "ADMX")
        in_schema_order(admx, ROOT_CHILDREN, "ADMX")
        strings, presentations = string_table(adml)
        target, using = check_namespaces(admx)
        categories = check_categories(admx, target, using)
        supported_names = check_supported_on(admx, target, using)
        writes = check_policies(admx, target, using, categories, supported_names, presentations)
        check_strings(admx, strings)
        read = values_read(tool)
        if read:
            compare(writes, read)
    for message in failures:
        print("FAIL:", message)
    if failures:
        return 1
    print(f"admx templates: {len(writes)} policies, each a value Lanthe reads")
    return 0


if __name__ == "__main__":
    sys.exit(main())
