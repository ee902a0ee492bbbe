"""tools/make_profile.py on a profile the player has used: re-running it after
a script edit keeps what the user did and updates the scripts.

    python3 tests/profile/profile_tool_test.py BUILD_FOLDER
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))
from player_run import ROOT, run_player, windows_path, write_wav  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, 'tools'))
import make_profile  # noqa: E402

BUILD = None
TOOL = os.path.join(ROOT, 'tools', 'make_profile.py')
LIBRARY_FOLDERS = '9D4B1F27-3A6C-4E85-B2D0-7F1E6A9C3B48'
UNKNOWN = '0A0B0C0D-1111-2222-3333-444455556666'
SECOND_WINDOW = '0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0'


def tool(*args):
    return subprocess.run([sys.executable, TOOL] + list(args), capture_output=True, text=True)


class ProfileTool(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix='cor-profile-')
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.profile = os.path.join(self.dir, 'profile')
        os.makedirs(os.path.join(self.profile, 'scripts'))
        self.store_path = os.path.join(self.profile, make_profile.STORE_NAME)
        self.music = os.path.join(self.dir, 'music')
        os.makedirs(self.music)
        for n in range(4):
            write_wav(os.path.join(self.music, f'{n + 1:02}.wav'))
        self.manifest = {
            'trim_mode': True,
            'dpi_scaling': False,
            'custom_scripts': 'scripts/custom.tf',
            'general_scripts': {'On Init': 'scripts/init.tf'},
            'windows': [
                {'guid': make_profile.MAIN_WINDOW, 'id': 'main', 'placement': [50, 50, 450, 350],
                 'scripts': {'load': 'scripts/main.load.tf'}},
                {'guid': SECOND_WINDOW, 'id': 'w1', 'placement': [500, 50, 700, 250]},
            ],
        }
        self.write_sources(version='one')

    def write_sources(self, version):
        files = {
            'profile.json': json.dumps(self.manifest),
            'scripts/custom.tf': f'#function version\n{version}\n#end',
            'scripts/init.tf': '$puts(x,1)',
            'scripts/main.load.tf': '$window(w1)',
        }
        for name, content in files.items():
            with open(os.path.join(self.profile, name), 'w', encoding='utf-8') as f:
                f.write(content)

    def store(self):
        return make_profile.read_store(self.store_path)

    def player(self, *args):
        r = run_player(BUILD, ['--profile', windows_path(self.profile)] + list(args))
        self.assertEqual(r.returncode, 0, r.stderr.decode(errors='replace'))
        return r.stdout.decode('utf-8')

    def test_rerun_keeps_what_the_user_did_and_updates_the_scripts(self):
        self.assertEqual(tool('--profile', self.profile).returncode, 0)
        # Settings of other modules the player may not even load: only kept.
        stored = self.store()
        self.assertEqual(stored[make_profile.SKIN_SCALING], make_profile.int32(0))
        stored[LIBRARY_FOLDERS] = make_profile.text_list([windows_path(self.music)])
        stored[UNKNOWN] = b'\x01\x02\x03'
        with open(self.store_path, 'wb') as f:
            f.write(make_profile.store_bytes(stored))

        # What a user does in a session: music, volume, order, a window moved.
        self.assertEqual(self.player('--add', windows_path(self.music), '--eval',
                                     '$volume(-6)$mainmenu_execute(Playback/Order/Random)'
                                     '$window(w1,520,80,230,170)$version()'),
                         '-6.0000000one')
        used = self.store()

        self.write_sources(version='two')
        r = tool('--profile', self.profile)
        self.assertEqual(r.returncode, 0, r.stderr)
        after = self.store()
        made = make_profile.build_settings(self.profile)
        for guid, value in used.items():
            if guid not in made:
                self.assertEqual(after.get(guid), value, f'setting {guid} was not kept')
        # The moved window keeps its place; the scripts are the new ones.
        self.assertEqual(after[make_profile.WINDOW_PLACEMENTS],
                         used[make_profile.WINDOW_PLACEMENTS])
        self.assertNotEqual(after[make_profile.WINDOW_PLACEMENTS],
                            made[make_profile.WINDOW_PLACEMENTS])
        self.assertEqual(after[make_profile.CUSTOM_SCRIPTS], made[make_profile.CUSTOM_SCRIPTS])
        self.assertEqual(self.player('--eval', '$pl_itemcount()|$volume()|%playback_ordername%|'
                                               '%lib_count%|$version()'),
                         '4|-6.0000000|Random|4|two')

        # --fresh writes the sources alone, as --check compares them.
        self.assertEqual(tool('--check', '--profile', self.profile).returncode, 1)
        self.assertEqual(tool('--fresh', '--profile', self.profile).returncode, 0)
        self.assertEqual(tool('--check', '--profile', self.profile).returncode, 0)
        self.assertNotIn(UNKNOWN, self.store())

    def test_windows_only_the_store_knows_stay(self):
        self.assertEqual(tool('--profile', self.profile).returncode, 0)
        del self.manifest['windows'][1]
        self.manifest['windows'].append(
            {'guid': '11223344-5566-7788-99AA-BBCCDDEEFF00', 'id': 'w2', 'display': 'Two'})
        self.write_sources(version='one')
        self.assertEqual(tool('--profile', self.profile).returncode, 0)
        ids = make_profile.decode_list(self.store()[make_profile.WINDOW_IDS],
                                       make_profile.text_item)
        self.assertEqual(ids, ['main', 'w1', 'w2'])
        self.assertEqual(self.player('--eval', '$window(w2)$iswindowvisible(w2)'), '1')

    def test_refusals_leave_the_store_alone(self):
        self.assertEqual(tool('--profile', self.profile).returncode, 0)
        with open(self.store_path, 'rb') as f:
            good = f.read()
        damaged = bytearray(good)
        damaged[30] ^= 0xFF
        main, second = self.manifest['windows']
        cases = [
            # (profile.json's windows, or None to keep them; the store; the message)
            ([second], good, 'no window has the main window\'s GUID '
                             '{6B999F1C-01BD-426E-8B09-7A0D58F4A788}'),
            ([main, dict(second, guid=main['guid'].lower())], good, 'is used twice'),
            ([main, dict(second, placement=[10, 10, 5, 5])], good, 'bad placement'),
            ([main, dict(second, scripts={'load': 3})], good, 'must be text'),
            (None, bytes(damaged), 'entry 1 (at byte 20) is damaged'),
            (None, b'hello', 'not a configuration store'),
        ]
        for windows, store, message in cases:
            with self.subTest(message):
                manifest = dict(self.manifest, windows=windows or self.manifest['windows'])
                with open(os.path.join(self.profile, 'profile.json'), 'w') as f:
                    json.dump(manifest, f)
                with open(self.store_path, 'wb') as f:
                    f.write(store)
                r = tool('--profile', self.profile)
                self.assertEqual(r.returncode, 2)
                self.assertIn(message, r.stderr)
                self.assertEqual(r.stderr.count('\n'), 1, r.stderr)
                with open(self.store_path, 'rb') as f:
                    self.assertEqual(f.read(), store)

    def test_panels_keep_their_settings_and_unknown_types_are_refused(self):
        self.manifest['panels'] = [{'id': 'list', 'type': 'Playlist View'}]
        self.write_sources(version='one')
        self.assertEqual(tool('--profile', self.profile).returncode, 0)
        self.assertEqual(self.player('--eval', '$panel(main,list,0,0,300,200)$ispanelvisible(list)'),
                         '1')
        # The player saved the panel's own settings (its columns).
        used = self.store()
        records = make_profile.decode_list(used[make_profile.PANEL_RECORDS],
                                           make_profile.record_item)
        self.assertEqual(records[0][0], make_profile.PANEL_TYPES['Playlist View'][0])
        self.assertGreater(len(records[0][1]), 0)
        self.manifest['panels'].append({'id': 'art', 'type': 'Album Art'})
        self.write_sources(version='two')
        self.assertEqual(tool('--profile', self.profile).returncode, 0)
        panels = make_profile.stored_panels(self.store())
        self.assertEqual([p['id'] for p in panels], ['list', 'art'])
        self.assertEqual(panels[0]['settings'], records[0][1])

        self.manifest['panels'] = [{'id': 'x', 'type': 'Spectrum'}]
        self.write_sources(version='two')
        r = tool('--profile', self.profile)
        self.assertEqual(r.returncode, 2)
        self.assertIn('panel x: unknown type "Spectrum"', r.stderr)

    def test_extract_then_make_gives_the_same_store(self):
        """The store a session left, written back as a folder and made again:
        the same bytes, in place and from the sources alone; for the default
        profile and for one with every kind of script, panels and menu commands."""
        self.manifest['windows'][1]['scripts'] = {ev: f'scripts/w1.{ev}.tf'
                                                  for ev, _ in make_profile.WINDOW_EVENTS}
        self.manifest['general_scripts'] = {name: 'scripts/init.tf'
                                            for name in make_profile.GENERAL_SCRIPTS}
        self.manifest['panels'] = [{'id': 'list', 'type': 'Playlist View'}]
        self.write_sources(version='one')
        for ev, _ in make_profile.WINDOW_EVENTS:
            with open(os.path.join(self.profile, f'scripts/w1.{ev}.tf'), 'w') as f:
                f.write(f'// {ev}\n$puts(e,{ev})\n')
        self.assertEqual(tool('--profile', self.profile).returncode, 0)
        # A session: menu commands made by scripts, a panel's own settings, a window moved.
        self.player('--eval', "$mainmenu_set(Louder,'$volume(-3)')$mainmenu_set(a/b:c,x)"
                              "$contextmenu_set(Tag it,'$puts(t,1)')"
                              '$panel(main,list,0,0,300,200)$window(w1,520,80,230,170)')
        default = os.path.join(self.dir, 'default')
        shutil.copytree(make_profile.DEFAULT_PROFILE, default)
        for folder in (self.profile, default):
            with self.subTest(folder=os.path.basename(folder)):
                store = os.path.join(folder, make_profile.STORE_NAME)
                with open(store, 'rb') as f:
                    before = f.read()
                shutil.rmtree(os.path.join(folder, 'scripts'))
                os.remove(os.path.join(folder, 'profile.json'))
                r = tool('--extract', '--profile', folder)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(tool('--profile', folder).returncode, 0)
                with open(store, 'rb') as f:
                    self.assertEqual(f.read(), before)
                fresh = os.path.join(self.dir, 'fresh.cfgstore')
                self.assertEqual(tool('--fresh', '--profile', folder, '--out', fresh).returncode, 0)
                made, kept = make_profile.read_store(fresh), make_profile.read_store(store)
                for guid, value in made.items():
                    if guid != make_profile.WINDOW_PLACEMENTS:  # a fresh store places anew
                        self.assertEqual(value, kept[guid], guid)
        with open(os.path.join(self.profile, 'profile.json'), encoding='utf-8') as f:
            extracted = json.load(f)
        self.assertEqual([c['name'] for c in extracted['menu_commands']['main']],
                         ['Louder', 'a/b:c'])
        self.assertEqual(extracted['menu_commands']['main'][1]['script'],
                         'scripts/menu/main.a_b_c.tf')
        self.assertIn('settings', extracted['panels'][0])
        self.assertEqual(sorted(extracted['windows'][1]['scripts']),
                         sorted(ev for ev, _ in make_profile.WINDOW_EVENTS))
        # A store the tool cannot read is reported, and nothing is written.
        with open(os.path.join(self.profile, make_profile.STORE_NAME), 'wb') as f:
            f.write(b'hello')
        r = tool('--extract', '--profile', self.profile)
        self.assertEqual(r.returncode, 2)
        self.assertIn('not a configuration store', r.stderr)

    def test_the_player_on_the_folder_makes_what_the_tool_makes(self):
        """--watch makes the store from the folder as the tool does: the same
        bytes for every setting the folder makes (where windows stand aside)."""
        # (A panel of a type the player offers writes its own settings at
        # exit; one of a type it does not know is kept as it is.)
        self.manifest['panels'] = [{'id': 'odd', 'type': UNKNOWN, 'settings': 'AQID'}]
        self.manifest['menu_commands'] = {
            'main': [{'guid': UNKNOWN, 'name': 'Louder', 'script': 'scripts/init.tf'}]}
        self.manifest['windows'][1]['scripts'] = {'close': 'scripts/init.tf'}
        self.write_sources(version='one')
        made = make_profile.build_settings(self.profile)
        self.player('--watch', windows_path(self.profile), '--exit-after', '500')
        stored = self.store()
        for guid, value in made.items():
            if guid != make_profile.WINDOW_PLACEMENTS:
                self.assertEqual(stored.get(guid), value, guid)


if __name__ == '__main__':
    BUILD = sys.argv.pop(1)
    unittest.main()
