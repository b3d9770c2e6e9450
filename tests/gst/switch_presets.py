# The README's PyGObject example on a file instead of the sound card: robot
# for two seconds, then chipmunk, until the end of the file.
import os, sys
import gi; gi.require_version("Gst", "1.0"); from gi.repository import Gst, GLib
Gst.init(None)
p = Gst.parse_launch(f"filesrc location={sys.argv[1]} ! wavparse ! identity sync=true ! vocalith name=v preset=robot "
                     f"preset-dir={os.environ['PRESET_DIR']} ! wavenc ! filesink location={sys.argv[2]}")
p.set_state(Gst.State.PLAYING)
GLib.timeout_add_seconds(2, lambda: p.get_by_name("v").set_property("preset", "chipmunk"))
msg = p.get_bus().timed_pop_filtered(30 * Gst.SECOND, Gst.MessageType.EOS | Gst.MessageType.ERROR)
p.set_state(Gst.State.NULL)
sys.exit(0 if msg and msg.type == Gst.MessageType.EOS else 1)
