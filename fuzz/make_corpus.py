#!/usr/bin/env python3
"""make_corpus.py BUILD_DIR -- (re)writes the seed corpora of the fuzz targets under fuzz/corpus/.

The seeds come from the show's own content (the effect and shader scripts in content/, the textures, music and
video clip the build generates in BUILD_DIR), cut down to a few kilobytes each, and from small files this
script writes itself (a LightWave cube, keyframers). Needs qv3rn-tool in BUILD_DIR, ImageMagick and ffmpeg.
Inputs that once found a fault live in fuzz/corpus/<target>/regression-* and are kept.
"""
import os, re, shutil, struct, subprocess, sys, tempfile

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = os.path.abspath(sys.argv[1])
tool = os.path.join(build, "qv3rn-tool")
art = os.path.join(build, "content", "data", "art")
corpus = os.path.join(root, "fuzz", "corpus")
scratch = tempfile.mkdtemp()


def seeds(target):
    folder = os.path.join(corpus, target)
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if not name.startswith("regression-"):
            os.remove(os.path.join(folder, name))
    return folder


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def read(path):
    with open(path, "rb") as f:
        return f.read()


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def blocks(text):
    """The top-level blocks of a script: (first line, whole text) from an unindented line ending in "{" up to
    the next one (brace counting fails on blocks whose fields close without a brace of their own)."""
    found, current = [], None
    for line in text.splitlines(keepends=True):
        if re.match(r"[A-Za-z]+ \{\s*$", line):
            if current:
                found.append(current)
            current = [line.strip(), line]
        elif current and (line.strip() and not line.startswith(";")):
            current[1] += line
    if current:
        found.append(current)
    return [tuple(block) for block in found]


def body(block):
    return block.split("\n", 1)[1]


effect_text = read(os.path.join(root, "content", "data", "effect", "demo.effect")).decode()
effect_blocks = blocks(effect_text)

# Effect scripts: one seed per effect type, and a short script of several.
folder = seeds("effect_script")
kinds = {}
for first, text in effect_blocks:
    kinds.setdefault(first.split()[0], text)
for kind, text in kinds.items():
    write(folder, kind.lower() + ".effect", text)
write(folder, "several.effect", "".join(text for _, text in effect_blocks[:6]))
if "Tunnel" not in kinds:  # the show may have none: a tube with every keyword of its block
    write(folder, "tunnel.effect", """Tunnel {
  Name "tube"
  Start 0
  End 10
  Layer 2
  Size 16 8
  Length 40
  Speed 0.5
  Linear 0.3 2 1.5 0.4
  Circular 1 3 0.5 0
  Params 0.1 0.2 0.3 0.4 0.05 0.2
  Shader "tunnel"
}
""")
write(folder, "include.effect", 'Include "inc.effect"\nInclude "loop.effect"\n')

# Brush-like blocks: the first byte picks the loader, the rest is the block after its opening line.
folder = seeds("brush_blocks")
for index, kind in enumerate(["SplineBrush", "HermiteBrush", "DissolveBrush", "Diffusion", "ChangeDrawBuffer",
                              "ChangeViewport", "ClearBuffer"]):
    if kind in kinds:
        write(folder, kind.lower(), bytes([index]) + body(kinds[kind]).encode())

# Envelopes: every distinct "{ Envelope" block of the show, up to a dozen.
folder = seeds("envelope_load")
envelopes = sorted(set(re.findall(r"\{ Envelope\n(?:[^{}]*\n)*?\s*\}", effect_text)), key=len)
for i, envelope in enumerate(envelopes[:: max(1, len(envelopes) // 12)][:12]):
    write(folder, "envelope%02d" % i, envelope + "\n")

# Keyframers: the first byte picks the track keyframer (0) or the channel keyframer (1).
folder = seeds("keyframer_load")
write(folder, "tracks", b"\0" + b"""Translate {
  Type "Spline"
  NumKeys 3
  Key 0 0 0 0
  Key 1 1 2 3
  Key 2 0 1 0
}
Rotate {
  Type "HPR"
  NumKeys 2
  Key 0 0 0 0
  Key 2 90 45 0
}
Scale {
  NumKeys 2
  Key 0 1
  Key 2 2
}
Visible {
  NumKeys 2
  Key 0
  Key 1.5
}
}
""")
write(folder, "channels", b"\1" + b"NumChannels 9\n" + b"".join(
    b"Channel %d\n{ Envelope\n  2\n  Key 0 0 3 0 0 0 0 0 0 0\n  Key %d 1 3 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n"
    % (c, c + 1) for c in range(9)) + b"}\n")

# Shader scripts, whole, and image blocks from them (the lines after "Image {").
folder = seeds("shader_script")
image_folder = seeds("image_block")
for name in ["demo.shader", "images.shader", "programs.shader"]:
    text = read(os.path.join(root, "content", "data", "shader", name)).decode()
    write(folder, name, text)
    for i, (first, block) in enumerate(blocks(text)):
        if first.startswith("Image"):
            write(image_folder, "%s-%d" % (name.split(".")[0], i), body(block))

# Scene scripts: small hand-written ones with every node type the reader knows.
folder = seeds("scene_script")
write(folder, "animated.scene", 'Group {\n  Name "blink"\n  Enable {\n  { Envelope\n    2\n    Key 1 0 3 0 0 0 0 0 0 0\n    Key -1.5 4 3 0 0 0 0 0 0 0\n    Behaviors 1 1\n  }\n  }\n  RegisterSparks 1 2 3 4\n  RegisterLensFlare\n  Group {\n    Keyframer {\n      Translate {\n        Type "Spline"\n        NumKeys 2\n        Key 0 0 0 0\n        Key 2 1 2 3\n      }\n    }\n  }\n}\ntrailing text\n')
write(folder, "cameras.scene", 'Group {\n  Camera {\n    Name "eye"\n    Active yes\n    FOV 60\n    ClipPlanes 0.5 500\n    FovAmount {\n    { Envelope\n      2\n      Key 45 0 3 0 0 0 0 0 0 0\n      Key 90 10 3 0 0 0 0 0 0 0\n      Behaviors 1 1\n    }\n    }\n    KeyframerLW {\n      NumChannels 9\n      Channel 2\n      { Envelope\n        1\n        Key -10 0 3 0 0 0 0 0 0 0\n        Behaviors 1 1\n      }\n    }\n  }\n  Camera {\n    Name "side"\n    Active no\n  }\n}\n')
write(folder, "group.scene", 'Group {\n  Name "root"\n  Enable yes\n  Position 1 2 3\n  Rotation 0 1 0 1.57\n  Scale 2 2 2\n  Pivot 0 0 0\n  Group {\n    Name "child" ; a comment with }\n    Enable no\n  }\n}\n')
write(folder, "lights.scene", 'DefaultLighting {\n  Name "lit"\n  DirectionalLight {\n    Name "sun"\n    Ambient 0.1 0.1 0.1 1\n    Diffuse 1 0.9 0.8 1\n    Specular 1 1 1 1\n    Attenuation 1 0 0\n    Direction 0 -1 0\n  }\n  SpotLight {\n    Name "lamp"\n    Direction 0 0 1\n    Exponent 8\n    Cutoff 30\n    Length 5\n  }\n  PointLight {\n    Name "glow"\n    Radius 1 1 1\n    Size 2\n    Color 1 0.5 0 1\n  }\n}\n')
write(folder, "shadows.scene", 'DefaultLighting {\n  Name "lit"\n  Shadows yes\n  ShadowColor 0 0 0 0.5\n  ShadowCaster "ball"\n  SpotLight {\n    Name "lamp"\n    Cutoff 40\n  }\n  Mesh {\n    Name "ball"\n    Object "bowl.msh"\n  }\n  ShadowPlane {\n    Plane 0 1 0 -1\n    Light 2 10 0 1\n    Position 0 2 0\n    Size 5 0 5\n    Mesh {\n      Object "grid.msh"\n    }\n  }\n  DefaultLighting {\n    Name "inner"\n    Shadows yes\n    ShadowCaster "nobody"\n  }\n}\n')
# Mesh, deform and morph blocks name the meshes the harness puts in the mesh cache.
write(folder, "mesh.scene", 'Group {\n  Camera {\n    Active yes\n  }\n  Mesh {\n    Name "plain"\n    Type BUMPMAP STATIC\n    Object "grid.msh"\n    TwoPassBlending yes\n    SurfaceBlending no\n    LazyPoints yes\n    LazyLagRate 0.5\n    GlowShells 3\n    GlowIntensity {\n    { Envelope\n      1\n      Key 0.5 0 3 0 0 0 0 0 0 0\n      Behaviors 1 1\n    }\n    }\n    GlowColor 1 0.5 0 1\n    Particles yes\n    ParticleSize 1 8\n    ParticleThreshold 2\n    ParticleAttenuation 1 0.1 0 0\n    ParticleColor 1 1 1 0.5\n    Zoom yes\n    ZoomCount {\n    { Envelope\n      1\n      Key 3 0 3 0 0 0 0 0 0 0\n      Behaviors 1 1\n    }\n    }\n    KeyframerLW {\n      NumChannels 9\n      Channel 0\n      { Envelope\n        2\n        Key 0 0 3 0 0 0 0 0 0 0\n        Key 5 1 3 0 0 0 0 0 0 0\n        Behaviors 1 1\n      }\n    }\n  }\n  Mesh {\n    Object "empty.msh"\n  }\n}\n')
write(folder, "deform.scene", 'Group {\n  DeformMesh {\n    Name "bent"\n    Type EDGEMESH\n    Object "grid.msh"\n    Bend {\n      Axis 1\n      Dir 0.3\n      From 0\n      To 2\n      BendAngle {\n      { Envelope\n        2\n        Key 0 0 3 0 0 0 0 0 0 0\n        Key 3 1 3 0 0 0 0 0 0 0\n        Behaviors 1 1\n      }\n      }\n    }\n    Melt {\n      Center 0 0 0\n      Size 1 1 1\n      Bulge {\n      { Envelope\n        1\n        Key 0.5 0 3 0 0 0 0 0 0 0\n        Behaviors 1 1\n      }\n      }\n      YBR 1\n      ZBR 0.5\n      Vis 2\n      Axis 1\n      NegAxis yes\n    }\n    SinWave {\n      Axis 2\n      Amp1 0.1\n      Amp2 0.3\n      Wave 0\n      Phase 0.2\n      Decay 0.5\n      Flex 1\n      Axis 4\n      Amp1 0.2\n    }\n    Taper1 {\n      Axis 2\n      Center 0 0 0\n      Min 0 0 0\n      Max 0 0 0\n    }\n    Taper2 {\n      Axis 4\n      Min -1 -1 -1\n      Max 1 1 1\n    }\n    Twist {\n      Axis 7\n      Coords 1\n      Size 0 0 0\n      Center 0 1 0\n    }\n    Wave {\n      Axis 1\n      Displace 6\n      Amplitude 0.5\n      FiniteRange yes\n      Range 0\n    }\n  }\n  DeformMesh {\n    LazyPoints yes\n    Object "bowl.msh"\n    Wave {\n      Axis 3\n      Displace 7\n    }\n  }\n}\n')
write(folder, "morph.scene", 'Group {\n  Morph {\n    Name "blend"\n    Type BUMPMAP\n    NumMeshes 3\n    Mesh "grid.msh"\n    Src "bowl.msh"\n    Dst "grid.msh"\n    Mesh "bowl.msh"\n    LazyPoints yes\n    MorphAmount {\n    { Envelope\n      2\n      Key -1 0 3 0 0 0 0 0 0 0\n      Key 4 2 3 0 0 0 0 0 0 0\n      Behaviors 1 1\n    }\n    }\n  }\n}\n')
write(folder, "iso.scene", 'Group {\n  CubeGrid {\n    Name "blobs"\n    GridSize 12\n    Threshold 0.1\n    Threshold {\n    { Envelope\n      2\n      Key 0.05 0 3 0 0 0 0 0 0 0\n      Key 0.3 2 3 0 0 0 0 0 0 0\n      Behaviors 1 1\n    }\n    }\n    MetaObject {\n      Type SPHERE\n      Radius 6\n      Position 2 0 0\n    }\n    MetaObject {\n      Type TORUS\n      Revolution 5\n      Disk 2\n      Rotation 1 0 0 0.7\n    }\n    MetaObject {\n      Type CUBE\n      N 4\n      Side 3\n      Radius 2\n    }\n    MetaObject {\n      Name "none"\n    }\n  }\n  CubeGrid {\n    GridSize 1\n  }\n}\n')
write(folder, "particles.scene", 'Group {\n  Particles {\n    Name "burst"\n    ParticleSystem {\n      Max 5\n      Generator {\n        Type "Sphere"\n      }\n      Renderer {\n        Type "Points"\n      }\n    }\n  }\n}\n')
write(folder, "morph_sizes.scene", 'Group {\n  Morph {\n    NumMeshes 2\n    Mesh "grid.msh"\n    Mesh "wide.msh"\n  }\n}\n')
write(folder, "octree.scene", 'Group {\n  Camera {\n    Active yes\n  }\n  Octree {\n    Name "cells"\n    Type BUMPMAP_EDGEMESH\n    MaxTris 1\n    BoxSide 0.001\n    MaxDepth 2000000000\n    Object "wide.msh"\n    Position 0 0 5\n  }\n  Octree {\n    MaxTris 0\n    Object "grid.msh"\n  }\n  Octree {\n    Object "empty.msh"\n  }\n}\n')
write(folder, "shadow.scene", 'Group {\n  Camera {\n    Active yes\n  }\n  ShadowVolume {\n    Name "shade"\n    ShadowColor 0 0 0 0.4\n    Mesh {\n      Name "box"\n      Type EDGEMESH\n      Object "grid.msh"\n    }\n    Group {\n      Enable no\n      PointLight {\n        Name "hidden"\n      }\n    }\n    PointLight {\n      Name "bulb"\n      Radius 2 2 2\n    }\n    DirectionalLight {\n      Name "sun"\n    }\n    SpotLight {\n      Name "lamp"\n      Cutoff 40\n    }\n    ShadowVolume {\n      ShadowColor 1 1\n    }\n  }\n}\n')
write(folder, "lighting.scene", 'PerPixelLighting {\n  Name "lit"\n  Shadows yes\n  ShadowColor 0 0 0 0.5\n  Camera {\n    Active yes\n  }\n  Mesh {\n    Type EDGEMESH\n    Object "grid.msh"\n  }\n  PointLight {\n    Name "bulb"\n    Radius 2 0 2\n  }\n  SpotLight {\n    Cutoff 0\n  }\n  DirectionalLight {\n  }\n  PerPixelBumpMapLighting {\n    Shadows no\n    Mesh {\n      Type BUMPMAP\n      Object "bowl.msh"\n    }\n    Group {\n      Enable no\n      PointLight {\n      }\n    }\n  }\n}\n')
write(folder, "special.scene", 'Group {\n  Camera {\n    Active yes\n  }\n  Mesh {\n    Name "lamp"\n    Object "grid.msh"\n    RegisterSparks 20 1.5 0.2 3\n    RegisterLensFlare\n  }\n  Sparks {\n    Name "sparks"\n    Shader "nowhere"\n  }\n  Sparks {\n  }\n  LensFlare {\n    Flare 0 0 1 1 1 1 1\n    Flare 9 1.5 0.5 1 0.5 0 0.8\n    Flare -1\n  }\n  Mirror {\n    MirrorType PLANE\n    Plane 0 1 0 0\n    PlanePosition 0 -1 0\n    PlaneSize 4 0 4\n    Attach "lamp"\n    Attach "nobody"\n    Attach ""\n  }\n  Mirror {\n    MirrorType MESH\n    Mesh "grid.msh"\n  }\n  Mirror {\n    Plane 0 0 0 0\n  }\n  EdgeMesh {\n    Object "grid.msh"\n    Particles yes\n    ParticleSize 1 8\n    ParticleThreshold 2\n    ParticleAttenuation 1 0.1 0 0\n    ParticleColor 1 1 1 0.5\n  }\n  Volumizer {\n    Emitter "lamp"\n    Volume "sparks"\n    Color 1 0.9 0.6 0.5\n    Length {\n    { Envelope\n      1\n      Key 2 0 3 0 0 0 0 0 0 0\n      Behaviors 1 1\n    }\n    }\n    Strength {\n    { Envelope\n      1\n      Key 0.5 0 3 0 0 0 0 0 0 0\n      Behaviors 1 1\n    }\n    }\n    Density {\n    { Envelope\n      1\n      Key 1e30 0 3 0 0 0 0 0 0 0\n      Behaviors 1 1\n    }\n    }\n  }\n}\n')

# Script lines: a piece of each script kind.
folder = seeds("script_lines")
write(folder, "effect", effect_blocks[0][1])
write(folder, "shader", read(os.path.join(root, "content", "data", "shader", "demo.shader")))
write(folder, "comments", "; a comment\n\tName \"x\" ; after\r\n  {\n}\n")

# Images: the first byte picks the pixel format and 1D (0x80) or 2D; the rest is a small picture made from the
# show's textures, in each variant the decoders handle.
variants = {
    "decode_png": [("noise_blue.png", []), ("brush_soft.png", ["-type", "Palette"]),
                   ("gradient_radial.png", ["-interlace", "PNG"]), ("lensflare1.png", ["-type", "GrayscaleAlpha"])],
    "decode_jpeg": [("plasma.jpg", []), ("bars.jpg", ["-interlace", "JPEG"]), ("noise_warm.jpg", ["-colorspace", "Gray"])],
    "decode_tga": [("noise_grey.tga", []), ("gradient_warm.tga", ["-compress", "RLE"]),
                   ("fireandsmoke.tga", ["-alpha", "on"])],
}
for target, pictures in variants.items():
    folder = seeds(target)
    for i, (name, options) in enumerate(pictures):
        out = os.path.join(scratch, "small%d.%s" % (i, name.rsplit(".", 1)[1]))
        run("convert", os.path.join(art, name), "-resize", "12x10!", *options, out)
        write(folder, "%s-%d" % (name.split(".")[0], i), bytes([(i * 3) % 11 | (0x80 if i == 1 else 0)]) + read(out))

# A LightWave cube with one surface, and the same cube as a mesh file.
def chunk(tag, data):
    return tag + struct.pack(">I", len(data)) + data + (b"\0" if len(data) % 2 else b"")

corners = [(x, y, z) for x in (-1.0, 1.0) for y in (-1.0, 1.0) for z in (-1.0, 1.0)]
faces = [(0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4), (1, 5, 7, 3)]
polygons = b"FACE" + b"".join(struct.pack(">H", 4) + struct.pack(">4H", *face) for face in faces)
surface = b"cube\0\0" + b"\0\0" + b"COLR" + struct.pack(">H", 14) + struct.pack(">3f", 0.8, 0.5, 0.2) + b"\0\0"
lwo = chunk(b"TAGS", b"cube\0\0") + chunk(b"LAYR", struct.pack(">HH3f", 0, 0, 0, 0, 0) + b"\0\0") + \
    chunk(b"PNTS", b"".join(struct.pack(">3f", *c) for c in corners)) + chunk(b"POLS", polygons) + \
    chunk(b"PTAG", b"SURF" + b"".join(struct.pack(">HH", i, 0) for i in range(len(faces)))) + \
    chunk(b"SURF", surface)
lwo = b"FORM" + struct.pack(">I", len(lwo) + 4) + b"LWO2" + lwo
folder = seeds("object_file")
write(folder, "cube.lwo", lwo)
cube = os.path.join(scratch, "cube.lwo")
write(scratch, "cube.lwo", lwo)
folder = seeds("mesh_file")
for shape, options in [("box", []), ("sphere", ["--radius", "1"])]:
    out = os.path.join(scratch, shape + ".msh")
    run(tool, "mesh", "make", shape, out, *options)
    write(folder, shape + ".msh", read(out))
run(tool, "mesh", "convert", cube, os.path.join(scratch, "cube.msh"))
write(folder, "cube.msh", read(os.path.join(scratch, "cube.msh")))
run(tool, "mesh", "convert", os.path.join(scratch, "sphere.msh"), os.path.join(scratch, "tangents.msh"), "--tangents")
write(folder, "sphere-tangents.msh", read(os.path.join(scratch, "tangents.msh")))

# Archives: a few scripts and a picture packed with the show's password.
stage = os.path.join(scratch, "stage", "data")
os.makedirs(os.path.join(stage, "shader"))
shutil.copy(os.path.join(root, "content", "data", "shader", "demo.shader"), os.path.join(stage, "shader"))
write(stage, "note.txt", "x" * 3000)
folder = seeds("archive_read")
out = os.path.join(scratch, "small.dat")
run(tool, "pack", os.path.dirname(stage), out)
write(folder, "small.dat", read(out))

# Particle systems: every generator, renderer and modifier block, an envelope spawn rate, and blocks the
# reader refuses or leaves empty.
folder = seeds("particle_system")
write(folder, "fire.psys", 'ParticleSystem {\n  Name "camp"\n  Info a small fire\n  Max 40\n  SpawnRate 30\n  Generator {\n    Type "Fire"\n    Flags Respawn\n    Lifespan 2\n    Mass 2\n    MassVariance 0.5\n    ParticleSize 0.3\n    ParticleSizeVariance 0.1\n    ParticleColor 1 0.5 0.1\n    ScaleSpeed 0.1\n    EnergySpeed 0.8\n    WindDistortFactor 0.05\n    WindDirection 0 1.5 0\n    Center 0 0 0\n  }\n  Renderer {\n    Type "Quads"\n  }\n  RadialForce {\n    Center 0 1 0\n    Radius 2\n    Strength -1\n  }\n  Force {\n    Direction 1 0 0\n    Strength 0.5\n  }\n  ForceToVelocity\n  ReflectionPlane {\n    Position 0 0 0\n    Normal 0 1 0\n    Bounciness 0.5\n  }\n  ReflectionSphere {\n    Position 0 2 0\n    Radius 0.5\n    Bounciness 1\n  }\n}\n')
write(folder, "rain.psys", 'ParticleSystem {\n  Max 100\n  SpawnRate {\n  { Envelope\n    2\n    Key 0 0 3 0 0 0 0 0 0 0\n    Key 200 2 3 0 0 0 0 0 0 0\n    Behaviors 1 1\n  }\n  }\n  Generator {\n    Type "Rain"\n    Radius 5\n    Top 10\n    Bottom -1\n    Speed 9\n    WindDistortFactor 0.1\n    WindDirection 1 0 0\n  }\n  Renderer {\n    Type "StretchQuads"\n  }\n}\n')
write(folder, "kinds.psys", 'ParticleSystem {\n  Max 8\n  Generator {\n    Type "Bubble"\n    MaxDistance 3\n    WindDistortFactor 0.2\n    WindDirection 0 0.1 0\n    Center 0 -1 0\n  }\n  Generator {\n    Type "Smoke"\n    ScaleSpeed 1\n  }\n  Generator {\n    Type "Sphere"\n    Radius 1\n    SpeedFactor 2\n    Speed 1\n  }\n  Renderer {\n    Type "Meshes"\n    Mesh "dot.msh"\n  }\n  Renderer {\n    Type "Lines"\n  }\n  Renderer {\n    Type "Points"\n  }\n}\n')
write(folder, "refused.psys", 'ParticleSystem {\n  Max -3\n  Generator {\n    Lifespan 1\n  }\n  Renderer {\n    Type "Points"\n    Shader "none"\n  }\n}\n')

# Music and video: half a second of the show's music, three frames of its clip.
folder = seeds("music_file")
out = os.path.join(scratch, "short.ogg")
run("ffmpeg", "-y", "-i", os.path.join(build, "qv3rn x 10.ogg"), "-t", "0.4", "-ac", "1", "-ar", "11025",
    "-c:a", "libvorbis", "-q:a", "0", out)
write(folder, "short.ogg", read(out))
folder = seeds("video_file")
out = os.path.join(scratch, "short.avi")
run("ffmpeg", "-y", "-i", os.path.join(build, "data", "video", "glow.avi"), "-frames:v", "3", "-s", "16x16", out)
write(folder, "short.avi", read(out))

shutil.rmtree(scratch)
