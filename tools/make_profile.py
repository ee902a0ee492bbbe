#!/usr/bin/env python3
"""Builds a profile's settings store from its readable sources.

    python3 tools/make_profile.py                 # writes profiles/default/corvina500.cfgstore
    python3 tools/make_profile.py --check         # fails when the committed store is stale
    python3 tools/make_profile.py --profile DIR   # another profile folder with a profile.json
    python3 tools/make_profile.py --extract --profile DIR
                                                  # DIR's store back into profile.json and scripts

A profile folder holds profile.json (which script file goes into which
setting, the windows and their first placement) and the scripts it names.
The store is written in the documented format (docs/config-store.md): a
header, then one entry per setting, ordered by the GUID's stored bytes as
the player itself writes them, so the same sources always give the same
bytes. Scripts are stored with CR LF line ends, as the script editor keeps
them.

When the folder already has a store, only the settings profile.json makes
are replaced: playlists, volume, library folders, windows the user moved,
windows and scripts profile.json does not name, and settings of other
components all stay. --fresh writes the sources alone.

--extract goes the other way: it writes what the store holds of the
profile (scripts, windows, panels, menu commands) as profile.json and one
script file per script, so that making the store again from the folder
gives the same bytes.
"""

import argparse
import base64
import json
import os
import re
import struct
import sys
import uuid
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.realpath(__file__)))
DEFAULT_PROFILE = os.path.join(ROOT, 'profiles', 'default')
STORE_NAME = 'corvina500.cfgstore'

TRIM_MODE = 'E52A50B7-4CDD-41D4-8F9E-8E608C1D0591'
SKIN_SCALING = '6EE79E0B-695F-4DDA-8381-DB88D7404338'
CUSTOM_SCRIPTS = '91B9F234-CAD8-4D68-98E3-D7A7A4DA9DB5'

GENERAL_SCRIPTS = {
    'On Init': '0D7C1407-260E-4AAD-8C18-886498173576',
    'On Quit': '1BE4168D-F21A-4CD5-89EB-B6D17680569B',
    'On Timer': 'AF3C335F-F7F6-46F0-822B-1BC1B5C26890',
    'On Playback Starting': 'AFDFBDDE-D00D-41DE-B281-70EF39607368',
    'On Playback New Track': 'AA2FF5A5-5FD6-4881-8AC8-72F7E8FDC1A6',
    'On Playback Stop': 'EAED7C00-FA51-454D-BE38-7670805F81CB',
    'On Playback Seek': '703D727A-48B7-45C2-960E-C3CB4BF9DD42',
    'On Playback Pause': '436B4876-403A-46D0-AEE2-E026B18F5742',
    'On Playback Edited': '6051D040-7A94-4C84-A66C-587AE8ADEE30',
    'On Playback Time (Per Second)': 'DDCF2AFF-DAB7-423C-AB51-B37F81C459F8',
    'On Playback Order Changed': '01EA35FF-72CD-435D-AC48-8CCD2E7417C7',
    'On Playlist Activate': '594A909A-ACEF-4399-B0A3-DBD96BEFD573',
    'On Playlist Created': 'A601961D-BFAA-4E54-8BD9-EDC7584C079C',
    'On Playlist Removed': '554DB111-6903-45A8-964C-3020EEF4CA37',
    'On Playlist Renamed': '6100C5D6-F35A-4912-B5BF-568E8D2BCA50',
    'On Playlist Reordered': '1B5C417D-0E91-4538-9CCF-9DD4FC620386',
    'On Playlist Item Focus Change': '70344409-6FFA-4D9F-A1BE-03709F25960D',
    'On Playlist Item Selection Change': 'C0A87913-B702-4625-948A-E175CF526462',
    'On Playlist Item Added': 'AB51ED81-F71F-411E-AD77-2406D70BD625',
    'On Playlist Item Removed': 'CE21D729-CE05-4408-8E70-C22A276AF0F5',
    'On Playlist Item Modified': 'E034E65D-696C-4CFC-9E77-3D4A30069C20',
    'On Playlist Item Reordered': '52756943-7237-4BF7-BE75-9D9C00E547E9',
    'On Volume Change': '9541E11B-4C27-45DD-A714-38D97F79414A',
}

MAIN_WINDOW = '6B999F1C-01BD-426E-8B09-7A0D58F4A788'
WINDOW_GUIDS = 'BA9BB3A4-DD31-4F09-A4F6-8C799D4A0176'
WINDOW_IDS = 'FC354353-8A11-480B-A5D6-DA229C5EA542'
WINDOW_DISPLAYS = 'C5904F23-D970-4DA9-ABCA-53708639CA5E'
WINDOW_PLACEMENTS = '0AF4192C-918F-4A9F-B3D7-5158907628D4'
WINDOW_EVENTS = [
    ('load', 'B3E31867-FD17-49D1-98C6-261667B39AB3'),
    ('open', 'DB955C5B-E23E-4C93-81E2-1FBD4D5E68FC'),
    ('close', 'C90CB4D2-C3CA-4514-9806-52AD86054CF3'),
    ('resize', 'F7ACBDB9-4DB7-4668-B3CE-DCC1074CE631'),
    ('move', '8C712E5B-E0C2-45A7-9D72-1C27912168C4'),
    ('activate', '0BCAE8A4-DB49-45AF-852C-1FBECED7294E'),
]
PANEL_GUIDS = 'CC7C233E-8F21-4D93-8C31-BCC71B50BBC9'
PANEL_IDS = 'C7CE100B-5AED-4D50-B246-0970A5E420B8'
PANEL_DISPLAYS = 'F361759A-9AEC-455A-942F-771FE1144AAE'
PANEL_RECORDS = '80B30BCA-317B-49A2-BDFC-7F7BD4A6B786'
# The user's menu commands: identities, names and scripts of each menu.
MENU_COMMANDS = {
    'main': ('37C3B965-DCAC-4DC9-A6B6-9DDD27192923', '7E48F437-8007-4160-AD91-852B6F71CD51',
             '356A3204-71E1-4E31-8409-B7F972B58E47'),
    'context': ('A839453A-E82C-402A-8CE8-B58A640B5FC1', 'E9DA6D9F-36C5-46EC-B4F6-06F894567266',
                '67BAFAE6-6B3A-4F24-AFC5-5D2BF53120BF'),
}
# The player's panel types (corvina500.exe --list-panels): name, GUID, category.
PANEL_TYPES = {
    'Playlist View': ('0F6A3C1E-5B27-4D8E-9C41-2A7E8B3D6F10', 'Playlist views'),
    'Album Art': ('B3D81F47-6E2A-4C95-8F03-7D1C5A9E2B64', 'Panels'),
    'Console': ('6C2E9A05-D4B1-4F78-A3E6-0B8F2D7C1E93', 'Panels'),
    'Peak Meter': ('E91B4D72-38C6-4A0F-B5D9-6F2A1C8E3B57', 'Visualisations'),
    'Album List': ('73E8E1BE-2A07-4CC4-A55D-317EA93D00A4', 'Library views'),
}
# Panel definitions get identities derived from their ids, so writing the
# store again names the same definitions.
PANEL_NAMESPACE = uuid.UUID('4C1D7A36-92E5-4B08-A6F3-5E2B8D0C7A19')


class ProfileError(Exception):
    pass


kind_names = {dict: 'object', list: 'array', str: 'text'}


def text(s):
    return s.encode('utf-8')


def int32(n):
    return struct.pack('<i', n)


def text_list(items):
    out = struct.pack('<I', len(items))
    for s in items:
        b = s.encode('utf-8')
        out += struct.pack('<I', len(b)) + b
    return out


def guid_list(items):
    return struct.pack('<I', len(items)) + b''.join(uuid.UUID(g).bytes_le for g in items)


def placement(rect):
    """A WINDOWPLACEMENT of a window shown normally in `rect` (left, top, right, bottom)."""
    left, top, right, bottom = rect
    # length, flags, show command (normal), minimized and maximized points (none), rectangle
    return struct.pack('<3I8i', 44, 0, 1, -1, -1, -1, -1, left, top, right, bottom)


def entry(guid_text, value):
    body = uuid.UUID(guid_text).bytes_le + struct.pack('<I', len(value)) + value
    return body + struct.pack('<I', zlib.crc32(body))


def store_bytes(settings):
    """The whole store file for a {guid text: raw bytes} map."""
    ordered = sorted(settings.items(), key=lambda kv: uuid.UUID(kv[0]).bytes_le)
    entries = [entry(g, v) for g, v in ordered]
    header = b'CORVCFG\x1a' + struct.pack('<II', 1, len(entries))
    header += struct.pack('<I', zlib.crc32(header))
    return header + b''.join(entries)


def read_script(folder, name):
    if not isinstance(name, str):
        raise ProfileError(f'{folder}: a script file name must be text, not {json.dumps(name)}')
    path = os.path.join(folder, name)
    try:
        with open(path, 'rb') as f:
            raw = f.read()
    except OSError as e:
        raise ProfileError(f'{path}: {e.strerror}')
    try:
        script = raw.decode('utf-8')
    except UnicodeDecodeError as e:
        raise ProfileError(f'{path}: not UTF-8 text (byte {e.start})')
    if script.startswith('\ufeff'):
        script = script[1:]
    # Whatever line ends the checkout has, the store gets CR LF.
    lines = script.replace('\r\n', '\n').replace('\r', '\n')
    return lines.replace('\n', '\r\n')


NEVER_PLACED = struct.pack('<3I8i', 44, 0xFFFF, 5, 0, 0, 0, 0, 0, 0, 0, 0)
PLACEMENT_SIZE = len(NEVER_PLACED)


def read_manifest(folder):
    manifest_path = os.path.join(folder, 'profile.json')
    try:
        with open(manifest_path, encoding='utf-8') as f:
            manifest = json.load(f)
    except OSError as e:
        raise ProfileError(f'{manifest_path}: {e.strerror}')
    except json.JSONDecodeError as e:
        raise ProfileError(f'{manifest_path}: line {e.lineno}: {e.msg}')
    if not isinstance(manifest, dict):
        raise ProfileError(f'{manifest_path}: not a JSON object')
    return manifest_path, manifest


def build_profile(folder):
    """The profile's own settings: ({guid text: bytes}, [window definitions])."""
    manifest_path, manifest = read_manifest(folder)
    for key, kind in (('general_scripts', dict), ('windows', list), ('custom_scripts', str),
                      ('panels', list), ('menu_commands', dict)):
        if key in manifest and not isinstance(manifest[key], kind):
            raise ProfileError(f'{manifest_path}: "{key}" must be a JSON {kind_names[kind]}')
    settings = {}
    for key, guid in (('trim_mode', TRIM_MODE), ('dpi_scaling', SKIN_SCALING)):
        if key in manifest:
            settings[guid] = switch_value(manifest_path, key, manifest[key])
    if 'custom_scripts' in manifest:
        settings[CUSTOM_SCRIPTS] = text(read_script(folder, manifest['custom_scripts']))
    for name, file in manifest.get('general_scripts', {}).items():
        if name not in GENERAL_SCRIPTS:
            raise ProfileError(f'{manifest_path}: unknown general script "{name}"')
        settings[GENERAL_SCRIPTS[name]] = text(read_script(folder, file))

    windows = []
    for w in manifest.get('windows', []):
        if (not isinstance(w, dict) or 'guid' not in w or not isinstance(w.get('id'), str)
                or not isinstance(w.get('scripts', {}), dict)):
            raise ProfileError(f'{manifest_path}: every window needs a "guid" and an "id" '
                              f'(text), and its "scripts" are a JSON object')
        try:
            guid = str(uuid.UUID(w['guid'])).upper()
        except (TypeError, ValueError, AttributeError):
            raise ProfileError(f'{manifest_path}: window {w["id"]}: bad GUID "{w["guid"]}"')
        scripts = w.get('scripts', {})
        for ev in scripts:
            if ev not in dict(WINDOW_EVENTS):
                raise ProfileError(f'{manifest_path}: window {w["id"]}: unknown event "{ev}"')
        if guid in [known['guid'] for known in windows]:
            raise ProfileError(f'{manifest_path}: window {w["id"]}: GUID {guid} is used twice')
        rect = w.get('placement')
        if rect is not None and (not isinstance(rect, list) or len(rect) != 4
                                 or not all(isinstance(v, int) for v in rect)
                                 or rect[2] <= rect[0] or rect[3] <= rect[1]):
            raise ProfileError(f'{manifest_path}: window {w["id"]}: bad placement {rect}')
        windows.append({
            'guid': guid,
            'id': w['id'],
            'display': w.get('display', w['id']),
            'placement': placement(rect) if rect else NEVER_PLACED,
            'events': {ev: read_script(folder, scripts[ev]) if ev in scripts else ''
                       for ev, _ in WINDOW_EVENTS},
        })
    # The player opens this window at start and every other window hangs from
    # it; a store without it starts as an empty, unscripted window.
    if MAIN_WINDOW not in [w['guid'] for w in windows]:
        raise ProfileError(
            f'{manifest_path}: no window has the main window\'s GUID {{{MAIN_WINDOW}}}; '
            f'the player opens that window at start, so one window of "windows" must have '
            f'"guid": "{MAIN_WINDOW}"')
    settings.update(read_menu_commands(folder, manifest_path, manifest))
    return settings, windows, read_panels(manifest_path, manifest)


def switch_value(manifest_path, key, value):
    """A switch is true or false; a number is kept as it is."""
    if isinstance(value, bool):
        return int32(1 if value else 0)
    if isinstance(value, int) and -2**31 <= value < 2**31:
        return int32(value)
    raise ProfileError(f'{manifest_path}: "{key}" must be true or false')


def guid_text(manifest_path, what, value):
    try:
        return str(uuid.UUID(value)).upper()
    except (TypeError, ValueError, AttributeError):
        raise ProfileError(f'{manifest_path}: {what}: bad GUID {json.dumps(value)}')


def read_panels(manifest_path, manifest):
    """The panel definitions of "panels": id and type of each; the identity,
    the display text and the panel's own settings when given."""
    panels = []
    type_names = {guid: name for name, (guid, _) in PANEL_TYPES.items()}
    for p in manifest.get('panels', []):
        if not isinstance(p, dict) or not isinstance(p.get('id'), str) or not p['id']:
            raise ProfileError(f'{manifest_path}: every panel needs an "id" (text)')
        kind = p.get('type')
        if kind not in PANEL_TYPES:
            # A type the player does not offer is kept by its GUID.
            try:
                type_guid = str(uuid.UUID(kind)).upper()
            except (TypeError, ValueError, AttributeError):
                raise ProfileError(f'{manifest_path}: panel {p["id"]}: unknown type '
                                  f'"{kind}"; the types are {", ".join(PANEL_TYPES)}')
            kind = type_names.get(type_guid, kind)
        if p['id'].lower() in [known['id'].lower() for known in panels]:
            raise ProfileError(f'{manifest_path}: panel {p["id"]}: the id is used twice')
        type_guid, category = (PANEL_TYPES[kind] if kind in PANEL_TYPES
                               else (str(uuid.UUID(kind)).upper(), ''))
        try:
            own = base64.b64decode(p.get('settings', ''), validate=True)
        except (TypeError, ValueError):
            raise ProfileError(f'{manifest_path}: panel {p["id"]}: "settings" is not base64')
        panels.append({
            'guid': (guid_text(manifest_path, f'panel {p["id"]}', p['guid']) if 'guid' in p
                     else str(uuid.uuid5(PANEL_NAMESPACE, p['id'])).upper()),
            'id': p['id'],
            'display': p.get('display', f'{kind} / {category}'),
            'type': type_guid,
            'settings': own,
            'given': 'settings' in p,
        })
    return panels


def read_menu_commands(folder, manifest_path, manifest):
    """The user's menu commands of "menu_commands": per menu ("main",
    "context") a list of commands with a GUID, a name and a script file."""
    settings = {}
    for menu, commands in manifest.get('menu_commands', {}).items():
        if menu not in MENU_COMMANDS or not isinstance(commands, list):
            raise ProfileError(f'{manifest_path}: "menu_commands" holds lists named '
                              f'"main" and "context", not {json.dumps(menu)}')
        guids, names, scripts = [], [], []
        for c in commands:
            if not isinstance(c, dict) or not isinstance(c.get('name'), str):
                raise ProfileError(f'{manifest_path}: every {menu} menu command needs a '
                                  f'"name" (text), a "guid" and a "script"')
            guids.append(guid_text(manifest_path, f'menu command {c["name"]}', c.get('guid')))
            names.append(c['name'])
            scripts.append(read_script(folder, c.get('script')))
        ids, name_list, script_list = MENU_COMMANDS[menu]
        settings[ids] = guid_list(guids)
        settings[name_list] = text_list(names)
        settings[script_list] = text_list(scripts)
    return settings


def panel_settings(panels):
    records = struct.pack('<I', len(panels))
    for p in panels:
        records += (uuid.UUID(p['type']).bytes_le + struct.pack('<I', len(p['settings']))
                    + p['settings'])
    return {
        PANEL_GUIDS: guid_list([p['guid'] for p in panels]),
        PANEL_IDS: text_list([p['id'] for p in panels]),
        PANEL_DISPLAYS: text_list([p['display'] for p in panels]),
        PANEL_RECORDS: records,
    }


def window_settings(windows):
    settings = {
        WINDOW_GUIDS: guid_list([w['guid'] for w in windows]),
        WINDOW_IDS: text_list([w['id'] for w in windows]),
        WINDOW_DISPLAYS: text_list([w['display'] for w in windows]),
        WINDOW_PLACEMENTS: struct.pack('<I', len(windows)) + b''.join(
            w['placement'] for w in windows),
    }
    for ev, guid in WINDOW_EVENTS:
        settings[guid] = text_list([w['events'][ev] for w in windows])
    return settings


def build_settings(folder):
    """The store's settings for a profile written from its sources alone."""
    settings, windows, panels = build_profile(folder)
    settings.update(window_settings(windows))
    if panels:
        settings.update(panel_settings(panels))
    return settings


def read_store(path):
    """{guid text: bytes} of an existing store, or None when there is none.

    A damaged store is refused rather than rewritten: what the tool cannot
    read it could not keep."""
    try:
        with open(path, 'rb') as f:
            data = f.read()
    except FileNotFoundError:
        return None
    except OSError as e:
        raise ProfileError(f'{path}: {e.strerror}')
    refuse = (f'; the store is left as it is (start corvina500 on the profile once to '
              f'repair it, or run with --fresh to replace it)')
    if len(data) < 20 or data[:8] != b'CORVCFG\x1a':
        raise ProfileError(f'{path}: not a configuration store' + refuse)
    version, count, crc = struct.unpack_from('<III', data, 8)
    if zlib.crc32(data[:16]) != crc:
        raise ProfileError(f'{path}: the header is damaged' + refuse)
    if version != 1:
        raise ProfileError(f'{path}: unsupported format version {version}' + refuse)
    settings = {}
    at = 20
    for n in range(count):
        if at + 20 > len(data):
            raise ProfileError(f'{path}: the file ends early' + refuse)
        size = struct.unpack_from('<I', data, at + 16)[0]
        end = at + 20 + size
        if end + 4 > len(data) or zlib.crc32(data[at:end]) != struct.unpack_from('<I', data, end)[0]:
            raise ProfileError(f'{path}: entry {n + 1} (at byte {at}) is damaged' + refuse)
        guid = str(uuid.UUID(bytes_le=data[at:at + 16])).upper()
        settings[guid] = data[at + 20:end]
        at = end + 4
    if at != len(data):
        raise ProfileError(f'{path}: bytes after the last entry' + refuse)
    return settings


def decode_list(raw, item):
    """Elements of a stored list; `item(raw, at)` gives (element, next offset).
    Stops at damage, as the player does."""
    if raw is None or len(raw) < 4:
        return []
    count = struct.unpack_from('<I', raw)[0]
    out, at = [], 4
    for _ in range(count):
        try:
            element, at = item(raw, at)
        except (struct.error, ValueError):
            break
        out.append(element)
    return out


def text_item(raw, at):
    size = struct.unpack_from('<I', raw, at)[0]
    if at + 4 + size > len(raw):
        raise ValueError('cut short')
    return raw[at + 4:at + 4 + size].decode('utf-8', 'replace'), at + 4 + size


def guid_item(raw, at):
    if at + 16 > len(raw):
        raise ValueError('cut short')
    return str(uuid.UUID(bytes_le=raw[at:at + 16])).upper(), at + 16


def placement_item(raw, at):
    if at + PLACEMENT_SIZE > len(raw):
        raise ValueError('cut short')
    return raw[at:at + PLACEMENT_SIZE], at + PLACEMENT_SIZE


def stored_windows(stored):
    """The window definitions a store holds, as build_profile gives them."""
    guids = decode_list(stored.get(WINDOW_GUIDS), guid_item)
    ids = decode_list(stored.get(WINDOW_IDS), text_item)
    displays = decode_list(stored.get(WINDOW_DISPLAYS), text_item)
    placements = decode_list(stored.get(WINDOW_PLACEMENTS), placement_item)
    events = {ev: decode_list(stored.get(g), text_item) for ev, g in WINDOW_EVENTS}

    def at(items, i, default):
        return items[i] if i < len(items) else default
    return [{
        'guid': g,
        'id': at(ids, i, ''),
        'display': at(displays, i, at(ids, i, '')),
        'placement': at(placements, i, NEVER_PLACED),
        'events': {ev: at(events[ev], i, '') for ev in events},
    } for i, g in enumerate(guids)]


def record_item(raw, at):
    type_guid, at = guid_item(raw, at)
    size = struct.unpack_from('<I', raw, at)[0]
    if at + 4 + size > len(raw):
        raise ValueError('cut short')
    return (type_guid, raw[at + 4:at + 4 + size]), at + 4 + size


def stored_panels(stored):
    """The panel definitions a store holds, with each one's own settings."""
    guids = decode_list(stored.get(PANEL_GUIDS), guid_item)
    ids = decode_list(stored.get(PANEL_IDS), text_item)
    displays = decode_list(stored.get(PANEL_DISPLAYS), text_item)
    records = decode_list(stored.get(PANEL_RECORDS), record_item)
    return [{
        'guid': g,
        'id': ids[i] if i < len(ids) else '',
        'display': displays[i] if i < len(displays) else '',
        'type': records[i][0] if i < len(records) else str(uuid.UUID(int=0)).upper(),
        'settings': records[i][1] if i < len(records) else b'',
    } for i, g in enumerate(guids)]


def merged_settings(folder, stored):
    """The stored settings with those the profile's sources make replaced.

    Windows are matched by GUID: a known window gets its new id, name and
    scripts and keeps the placement the user gave it; windows only the store
    knows keep their place in the lists, new ones go at the end."""
    settings, windows, panels = build_profile(folder)
    merged = dict(stored)
    merged.update(settings)
    kept = stored_windows(stored)
    index = {w['guid']: i for i, w in enumerate(kept)}
    for w in windows:
        i = index.get(w['guid'])
        if i is None:
            index[w['guid']] = len(kept)
            kept.append(w)
        else:
            if kept[i]['placement'] != NEVER_PLACED:
                w = dict(w, placement=kept[i]['placement'])
            kept[i] = w
    merged.update(window_settings(kept))
    # Panels are matched by id: a known panel of the same type keeps its
    # identity and the settings the user gave it.
    if panels:
        kept_panels = stored_panels(stored)
        by_id = {p['id'].lower(): i for i, p in enumerate(kept_panels)}
        for p in panels:
            i = by_id.get(p['id'].lower())
            if i is None:
                kept_panels.append(p)
            elif kept_panels[i]['type'] == p['type'] and not p['given']:
                kept_panels[i] = dict(p, guid=kept_panels[i]['guid'],
                                      settings=kept_panels[i]['settings'])
            else:
                kept_panels[i] = dict(p, guid=kept_panels[i]['guid'])
        merged.update(panel_settings(kept_panels))
    return merged


UNSAFE_IN_NAMES = '<>:"/\\|?*'


def file_stem(name):
    """A file name a person recognises the script by, safe on every system."""
    stem = ''.join('_' if c in UNSAFE_IN_NAMES or ord(c) < 32 else c for c in name).strip(' .')
    return stem or '_'


def write_file(path, data):
    """Written through a temporary file renamed into place."""
    if os.path.dirname(path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + '.tmp'
    with open(tmp, 'wb') as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())
    os.replace(tmp, path)


def extract(folder):
    """Writes the profile the store in `folder` holds as profile.json and
    script files there; returns the files written (relative names)."""
    store_path = os.path.join(folder, STORE_NAME)
    stored = read_store(store_path)
    if stored is None:
        raise ProfileError(f'{store_path}: no store to extract')
    files = {}  # relative name -> text
    taken = set()

    def script_file(stem, script):
        # One file per script; identical general scripts share the first's.
        text_ = script.replace('\r\n', '\n')
        if stem.startswith('general/'):
            for name, content in files.items():
                if name.startswith('scripts/general/') and content == text_:
                    return name
        name = f'scripts/{stem}.tf'
        n = 2
        while name.lower() in taken:
            name = f'scripts/{stem}-{n}.tf'
            n += 1
        taken.add(name.lower())
        files[name] = text_
        return name

    def stored_text(guid):
        return stored[guid].decode('utf-8', 'replace') if guid in stored else ''

    manifest = {}
    for key, guid in (('trim_mode', TRIM_MODE), ('dpi_scaling', SKIN_SCALING)):
        if len(stored.get(guid, b'')) == 4:
            value = struct.unpack('<i', stored[guid])[0]
            manifest[key] = bool(value) if value in (0, 1) else value
    if stored_text(CUSTOM_SCRIPTS):
        manifest['custom_scripts'] = script_file('custom', stored_text(CUSTOM_SCRIPTS))
    general = {}
    for name, guid in GENERAL_SCRIPTS.items():
        if stored_text(guid):
            stem = 'general/' + name.lower().replace(' ', '_').replace('(', '').replace(')', '')
            general[name] = script_file(stem, stored_text(guid))
    if general:
        manifest['general_scripts'] = general

    windows = []
    for w in stored_windows(stored):
        entry = {'guid': w['guid'], 'id': w['id']}
        if w['display'] != w['id']:
            entry['display'] = w['display']
        if w['placement'] != NEVER_PLACED:
            entry['placement'] = list(struct.unpack_from('<4i', w['placement'], 28))
        events = {ev: script_file(f'{file_stem(w["id"])}.{ev}', w['events'][ev])
                  for ev, _ in WINDOW_EVENTS if w['events'][ev]}
        if events:
            entry['scripts'] = events
        windows.append(entry)
    manifest['windows'] = windows

    panels = []
    names = {guid: name for name, (guid, _) in PANEL_TYPES.items()}
    for p in stored_panels(stored):
        kind = names.get(p['type'], p['type'])
        entry = {'id': p['id'], 'type': kind}
        if p['guid'] != str(uuid.uuid5(PANEL_NAMESPACE, p['id'])).upper():
            entry['guid'] = p['guid']
        category = PANEL_TYPES[kind][1] if kind in PANEL_TYPES else ''
        if p['display'] != f'{kind} / {category}':
            entry['display'] = p['display']
        if p['settings']:
            entry['settings'] = base64.b64encode(p['settings']).decode('ascii')
        panels.append(entry)
    if panels:
        manifest['panels'] = panels

    menus = {}
    for menu, (ids, name_list, script_list) in MENU_COMMANDS.items():
        guids = decode_list(stored.get(ids), guid_item)
        if not guids:
            continue
        titles = decode_list(stored.get(name_list), text_item)
        scripts = decode_list(stored.get(script_list), text_item)
        menus[menu] = [{
            'guid': g,
            'name': titles[i] if i < len(titles) else '',
            'script': script_file(f'menu/{menu}.{file_stem(titles[i] if i < len(titles) else g)}',
                                  scripts[i] if i < len(scripts) else ''),
        } for i, g in enumerate(guids)]
    if menus:
        manifest['menu_commands'] = menus

    for name, content in files.items():
        write_file(os.path.join(folder, name), content.encode('utf-8'))
    text_ = json.dumps(manifest, indent=2, ensure_ascii=False)
    # A placement on one line, as a person writes it.
    text_ = re.sub(r'\[\s*(-?\d+),\s*(-?\d+),\s*(-?\d+),\s*(-?\d+)\s*\]', r'[\1, \2, \3, \4]',
                   text_)
    write_file(os.path.join(folder, 'profile.json'), (text_ + '\n').encode('utf-8'))
    return ['profile.json'] + list(files)


def main(argv):
    parser = argparse.ArgumentParser(description='Writes a profile\'s settings store.')
    parser.add_argument('--profile', default=DEFAULT_PROFILE,
                        help='profile folder with profile.json (default: profiles/default)')
    parser.add_argument('--out', help='where to write the store (default: in the profile folder)')
    parser.add_argument('--fresh', action='store_true',
                        help='write the sources alone, dropping everything else the store holds')
    parser.add_argument('--check', action='store_true',
                        help='compare the sources alone with the store on disk instead of writing it')
    parser.add_argument('--extract', action='store_true',
                        help='write the store\'s profile back into the folder as profile.json '
                             'and scripts')
    args = parser.parse_args(argv)

    if args.extract:
        try:
            written = extract(args.profile)
        except ProfileError as e:
            print(f'make_profile: {e}', file=sys.stderr)
            return 2
        print(f'make_profile: wrote {len(written)} files in {args.profile}')
        return 0

    out = args.out or os.path.join(args.profile, STORE_NAME)
    try:
        if args.fresh or args.check:
            settings = build_settings(args.profile)
        else:
            stored = read_store(out)
            settings = (build_settings(args.profile) if stored is None
                        else merged_settings(args.profile, stored))
        data = store_bytes(settings)
    except ProfileError as e:
        print(f'make_profile: {e}', file=sys.stderr)
        return 2

    if args.check:
        try:
            with open(out, 'rb') as f:
                current = f.read()
        except OSError:
            current = None
        if current != data:
            print(f'make_profile: {out} is not what its sources make; '
                  f'run python3 tools/make_profile.py --fresh', file=sys.stderr)
            return 1
        return 0

    # An interrupted run keeps the old store.
    write_file(out, data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
