"""Any program can own the clipboard, so what it sends is untrusted: transfers without end stop
at their limit and give their memory back, a big picture in parts leaves the menus quick, a
storm of claims opens no flood of windows, long or odd lists of formats are read, and every
malformed answer is refused in one line on standard error."""

import os
import re
import unittest

from PIL import Image

import harness
from harness import noise_picture

MEGABYTE = 1 << 20


class HostileOwnersTest(harness.E2ETestCase):

    def setUp(self):
        super().setUp()
        self.roomy_frame()
        self.program = self.start_program()
        self.owners = 0

    # ----- helpers -----

    def owner(self, path, *options):
        """Starts the hostile owner serving a file; returns it and its log's name."""
        self.owners += 1
        log = f"hostile-{self.owners}.log"
        return self.start_owner([harness.HOSTILE_OWNER, "--serve", path, *options], log,
                                "owner"), log

    def sent(self, log):
        """The picture's bytes the owner sent in its last transfer."""
        counts = re.findall(r"^sent (\d+)$", self.read(log), re.MULTILINE)
        return int(counts[-1]) if counts else 0

    def refusals(self):
        return [line for line in self.stderr().splitlines() if "left there" in line]

    def wait_refusals(self, count, what):
        return self.wait_for(lambda: len(self.refusals()) >= count and self.refusals(), what)

    def peak_memory(self):
        """The program's peak resident memory so far, in bytes."""
        with open(f"/proc/{self.program.pid}/status", encoding="ascii") as status:
            kilobytes = re.search(r"^VmHWM:\s+(\d+) kB", status.read(), re.MULTILINE)
        return int(kilobytes.group(1)) * 1024

    def next_window_number(self, seed):
        """Puts a new picture on the clipboard and returns the number of the window it opened,
        told by the name its "Save it" writes (vornalN.bmp)."""
        picture = noise_picture(180, 120, seed=seed)
        self.wait_taken(self.put_picture(picture, f"probe{seed}.png"))
        at = self.wait_for_picture(picture, "the probe picture's window")
        before = set(os.listdir(self.app_dir))
        self.click(*self.control_centre(at, harness.SAVE_IT))
        saved = self.wait_for(lambda: set(os.listdir(self.app_dir)) - before,
                              "the probe picture to be saved")
        (name,) = saved
        return int(re.fullmatch(r"vornal(\d+)\.bmp", name).group(1))

    # ----- tests -----

    def test_transfers_without_end_stop_at_their_limit_and_the_next_picture_is_taken(self):
        small = self.picture_file(noise_picture(64, 64, seed=40), "small.png")
        for announced in ("4000000000", "4096"):
            owner, log = self.owner(small, "--incr", "--part", "262144", "--endless",
                                    "--announce", announced)
            (line,) = self.wait_refusals(self.owners, f"the transfer announcing {announced} "
                                         "bytes to be abandoned")[-1:]
            self.assertIn("image/png was abandoned", line)
            self.assertIn("64 x 64 PNG", line)
            # It stopped asking: nothing near a gigabyte was sent, or held.
            self.assertLess(self.sent(log), 64 * MEGABYTE)
            self.assertLess(self.peak_memory(), 1024 * MEGABYTE)
            harness.stop(owner)
        self.assertEqual(self.next_window_number(seed=41), 1, "no window for either transfer")

    def test_big_pictures_are_taken_whole(self):
        # Two 8K screens side by side, beyond the image reader's usual allocation limit: a PNG
        # from xclip, then a 24-bit BMP (199 MB) in parts of 64 KiB with a low bound for its
        # size announced (as an owner may), so that nothing can be set aside for it. A band of
        # noise along the top marks each one's top-left corner; the rest is one colour.
        for number, kind in enumerate(("png", "bmp"), start=1):
            picture = Image.new("RGB", (15360, 4320), (40, 90, 150))
            picture.paste(noise_picture(15360, 100, seed=41 + number), (0, 0))
            corner = picture.crop((0, 0, 160, 100))
            path = self.picture_file(picture, f"big.{kind}", **({"compress_level": 1}
                                                                if kind == "png" else {}))
            del picture
            if kind == "png":
                owner = self.offer_file(path, "image/png")
            else:
                owner, _ = self.owner(path, "--type", "image/bmp", "--incr", "--part", "65536",
                                      "--announce", "65536")
            self.wait_taken(owner)
            self.wait_for_picture(corner, f"window {number} to show the {kind}'s top-left")
        self.assertEqual(self.refusals(), [])

    def test_storms_of_claims_open_at_most_three_windows(self):
        # A screen-sized picture, claimed anew 20 and then 400 times a second for 5 seconds.
        screen = Image.new("RGB", (1920, 1080), (30, 60, 90))
        screen.paste(noise_picture(300, 200, seed=43), (0, 0))
        path = self.picture_file(screen, "storm.png")
        taken = 0
        for rate in (20, 400):
            owner, log = self.owner(path, "--claims-per-second", str(rate), "--for", "5")
            self.wait_for(lambda: owner.poll() is not None, f"the storm of {rate} a second to end")
            self.assertIn("claimed", self.read(log))
            opened = self.next_window_number(seed=rate) - 1 - taken
            taken += opened + 1
            self.assertLessEqual(opened, 3, f"{rate} a second: {opened} windows of one picture")
            if rate == 20:
                # Every claim is read in time: the picture is taken, and each burst of
                # offers after a take is said in one line (the last take may have come too
                # near the storm's end for a burst of its own).
                self.assertGreaterEqual(opened, 1, "the picture itself was taken")
                repeats = [line for line in self.stderr().splitlines() if "offered again" in line]
                self.assertIn(len(repeats), (opened - 1, opened), self.stderr())

    def test_long_and_incremental_lists_of_formats_are_read(self):
        for seed, options in ((45, ("--targets-incr",)), (46, ("--junk-targets", "4999"))):
            picture = noise_picture(200, 140, seed=seed)
            owner, _ = self.owner(self.picture_file(picture, f"list{seed}.png"), *options)
            self.wait_taken(owner)
            self.wait_for_picture(picture, f"the picture listed with {options}")
        self.assertEqual(self.refusals(), [])

    def test_each_malformed_answer_is_refused_in_one_line(self):
        good = self.picture_file(noise_picture(50, 40, seed=47), "good.png")
        garbage = os.path.join(self.tmp, "garbage.png")
        with open(garbage, "wb") as f:
            f.write(b"<html>no picture here</html>" * 100)
        cases = (
            ((good, "--targets-format", "8"), "list of formats came in 8-bit items"),
            ((good, "--no-targets"), "gave no list of its formats"),
            ((good, "--junk-targets", "70000"), "list of formats is longer than 65536"),
            ((good, "--data-format", "32"), "image/png came in 32-bit items"),
            ((good, "--incr", "--data-format", "32"), "image/png came in parts of 32-bit"),
            ((garbage,), "image/png does not decode (its first bytes are no picture"),
        )
        for number, (args, reason) in enumerate(cases, start=1):
            owner, _ = self.owner(*args)
            line = self.wait_refusals(number, f"the refusal: {reason}")[-1]
            self.assertIn(reason, line)
            self.assertIsNone(owner.poll(), "the picture is left on the clipboard")
            harness.stop(owner)
        self.assertEqual(self.next_window_number(seed=48), 1, "no window for any of them")
        self.assertEqual(len(self.refusals()), len(cases), self.stderr())

    def test_a_picture_claimed_the_moment_the_clipboard_is_emptied_opens_the_next_window(self):
        # The owner claims the clipboard anew within the tick that took its first picture,
        # which empties the clipboard more than once.
        first, second = noise_picture(160, 120, seed=49), noise_picture(140, 100, seed=50)
        owner, log = self.owner(self.picture_file(first, "first.png"),
                                "--reclaim-with", self.picture_file(second, "second.png"))
        self.wait_taken(owner)
        self.assertIn("reclaimed", self.read(log))
        self.wait_for_picture(second, "the picture claimed anew to open window 2")
        self.assertEqual(self.next_window_number(seed=51), 3, "one window for each picture")


if __name__ == "__main__":
    unittest.main()
