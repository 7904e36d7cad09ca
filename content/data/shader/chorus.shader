; chorus.shader -- the mirror chorus (bars 81-96): the morph's skin, the glass floor over its reflection, the
; glowing ring, the sun with its halo, the sparks and the dust knot.

; The floor: dark blue glass, thin over the reflection in its middle and opaque out towards the horizon.
Program {
  Type FRAGMENT
  Name "chorus_floor"
  !!ARBfp1.0
PARAM tint = {0.10, 0.15, 0.34, 0};
PARAM base = {0.015, 0.025, 0.07, 0};
PARAM centre = {0.5, 0.5, 0, 0};
PARAM rim = {2.6, 0.52, 0, 0};
TEMP c, d;
TEX c, fragment.texcoord[0], texture[0], 2D;
MAD result.color.xyz, c, tint, base;
SUB d.xy, fragment.texcoord[0], centre;
MOV d.z, 0;
DP3 d.x, d, d;
RSQ d.y, d.x;
MUL d.x, d.x, d.y;
MAD_SAT result.color.w, d.x, rim.x, rim.y;
END
}

; Sparks: the round glow, tinted to embers; the quad's alpha (what is left of the spark's life) fades it.
Program {
  Type FRAGMENT
  Name "chorus_spark"
  !!ARBfp1.0
PARAM tint = {1.0, 0.55, 0.22, 1};
TEMP c;
TEX c, fragment.texcoord[0], texture[0], 2D;
MUL c, c, tint;
MUL result.color.xyz, c, fragment.color.w;
MOV result.color.w, fragment.color.w;
END
}

Shader {
  Info "pale stone skin of the morph, multiplied by the per-pixel light"
  Name "chorus_skin"
  Lighting no
  Texture {
    TexUnit UNIT0
    Image "noise_grey.tga"
  }
}

Shader {
  Info "blue glass floor over the reflection"
  Name "chorus_floor"
  Lighting no
  Blend {
    Enable yes
    Src SRC_ALPHA
    Dst ONE_MINUS_SRC_ALPHA
  }
  ZBuffer {
    Enable yes
    Write no
  }
  Texture {
    TexUnit UNIT0
    Image "noise_blue.png"
  }
  Fragment {
    Enable yes
    Name "chorus_floor"
  }
}

Shader {
  Info "the ring: warm noise"
  Name "chorus_ring"
  Lighting no
  Texture {
    TexUnit UNIT0
    Image "noise_warm.jpg"
  }
}

Shader {
  Info "glow shells: flat colour, added"
  Name "chorus_glow"
  Lighting no
  Blend {
    Enable yes
    Src SRC_ALPHA
    Dst ONE
  }
  ZBuffer {
    Enable yes
    Write no
  }
}

Shader {
  Info "the sun's core: warm noise added, no depth, so that the flare sees past it"
  Name "chorus_sun"
  Lighting no
  Blend {
    Enable yes
    Src ONE
    Dst ONE
  }
  ZBuffer {
    Enable yes
    Write no
  }
  Texture {
    TexUnit UNIT0
    Image "noise_warm.jpg"
  }
}

Shader {
  Info "the sun's halo layers: the volumizer's colour, added"
  Name "chorus_halo"
  Lighting no
  Blend {
    Enable yes
    Src SRC_ALPHA
    Dst ONE
  }
  ZBuffer {
    Enable yes
    Write no
  }
}

Shader {
  Info "ember sparks"
  Name "chorus_spark"
  Lighting no
  Cull {
    Enable no
  }
  Blend {
    Enable yes
    Src ONE
    Dst ONE
  }
  ZBuffer {
    Enable yes
    Write no
  }
  Texture {
    TexUnit UNIT0
    Image "lensflare1.png"
  }
  Fragment {
    Enable yes
    Name "chorus_spark"
  }
}

Shader {
  Info "the dust knot: its points only, every face culled"
  Name "chorus_dust"
  Lighting no
  Cull {
    Enable yes
    Function FRONT_AND_BACK
  }
  Blend {
    Enable yes
    Src ONE
    Dst ONE
  }
  ZBuffer {
    Enable yes
    Write no
  }
}
