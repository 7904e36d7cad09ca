; final.shader -- the shaders of the flight over the landscape (bars 105-120): the lit land in warm haze, the
; sea laid over the shadow plane, the ships, their ghosts and the lazy knot.

; The land, lit by the sun: warm stone tiled twelve times across, fading into the evening haze.
Shader {
  Info "lit land tiled with warm noise, in haze"
  Name "final_land"
  Lighting yes
  Material {
    Enable yes
    Ambient 0.16 0.18 0.34 1
    Diffuse 1 0.78 0.55 1
    Specular 0 0 0 1
    Emission 0 0 0 1
    Shininess 1
  }
  Fog {
    Enable yes
    Function LINEAR
    Start 30
    End 150
    Color 0.7 0.32 0.25 1
  }
  Texture {
    TexUnit UNIT0
    Image "noise_warm.jpg"
    ScaleS {
      { Envelope
        1
        Key 12 0 0 0 0 0 0 0 0 0
      }
    }
    ScaleT {
      { Envelope
        1
        Key 12 0 0 0 0 0 0 0 0 0
      }
    }
  }
}

; The sea: drawn over the shadow plane's grey quad, it doubles the product of its colour and what is there, so
; the quad becomes blue water and the ships' black shadows stay black. The noise drifts with the current; far
; off the water fades into the haze of the land.
Shader {
  Info "sea over the shadow plane, twice the product"
  Name "final_sea"
  Lighting no
  Material {
    Enable no
    Diffuse 0.25 0.38 0.85 1
  }
  Fog {
    Enable yes
    Function LINEAR
    Start 15
    End 110
    Color 0.7 0.32 0.25 1
  }
  Blend {
    Enable yes
    Src DST_COLOR
    Dst SRC_COLOR
  }
  ZBuffer {
    Enable yes
    Write no
  }
  Texture {
    TexUnit UNIT0
    Image "noise_blue.png"
    TranslateS {
      { Envelope
        2
        Key 0 208 3 0 0 0 0 0 0 0
        Key 0.5 240 3 0 0 0 0 0 0 0
        Behaviors 1 1
      }
    }
    ScaleS {
      { Envelope
        1
        Key 6 0 0 0 0 0 0 0 0 0
      }
    }
    ScaleT {
      { Envelope
        1
        Key 6 0 0 0 0 0 0 0 0 0
      }
    }
  }
}

; The ships: pale hulls, lit.
Shader {
  Info "lit ship hull"
  Name "final_hull"
  Lighting yes
  Material {
    Enable yes
    Ambient 0.25 0.28 0.45 1
    Diffuse 0.9 0.92 1 1
    Specular 0.5 0.4 0.3 1
    Emission 0.12 0.1 0.16 1
    Shininess 30
  }
}

; The lead ship's ghosts: faint orange copies added along its recent path.
Shader {
  Info "additive orange zoom ghosts"
  Name "final_ghost"
  Lighting no
  Material {
    Enable no
    Diffuse 1 0.55 0.2 0.4
  }
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

; The lazy knot: an additive glowing blue band whose turns trail behind it.
Shader {
  Info "additive knot, blue"
  Name "final_knot"
  Lighting no
  Cull {
    Enable no
  }
  Material {
    Enable no
    Diffuse 0.5 0.7 1 0.5
  }
  Blend {
    Enable yes
    Src SRC_ALPHA
    Dst ONE
  }
  ZBuffer {
    Enable yes
    Write no
  }
  Texture {
    TexUnit UNIT0
    Image "noise_blue.png"
  }
}

; The last phrase zoomed back from the big target: the picture averaged with four copies of itself scaled
; towards the centre, blurring outwards; local[0] = (centre x, centre y, strength, unused).
Program {
  Type FRAGMENT
  Name "final_zoom"
  !!ARBfp1.0
PARAM zoom = program.local[0];
PARAM quarter = {0.25, 0.25, 0.25, 0.25};
TEMP offset, uv, sum, c;
SUB offset, fragment.texcoord[0], zoom;
MUL offset, offset, zoom.z;
TEX sum, fragment.texcoord[0], texture[0], 2D;
SUB uv, fragment.texcoord[0], offset;
TEX c, uv, texture[0], 2D;
ADD sum, sum, c;
SUB uv, uv, offset;
TEX c, uv, texture[0], 2D;
ADD sum, sum, c;
SUB uv, uv, offset;
TEX c, uv, texture[0], 2D;
ADD sum, sum, c;
MUL sum, sum, quarter;
MUL result.color, sum, fragment.color;
END
}
