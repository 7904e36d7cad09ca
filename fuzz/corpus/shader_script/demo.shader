; demo.shader -- the show's images, GPU programs and shaders. The procedural pictures are made by
; "qv3rn-tool textures", the font by "qv3rn-tool font", the text pictures by "qv3rn-tool textfade".

Include "data\shader\images.shader"
Include "data\shader\programs.shader"

; Additive sprites: lens flares and the fire sprite.
Shader {
  Info "additive sprite, no lighting, no depth writes"
  Name "sprite_additive"
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
  Texture {
    TexUnit UNIT0
    Image "lensflare1.png"
  }
}

; The ripple post-process: the fragment program does the texturing.
Shader {
  Info "fragment-program ripple over the render target"
  Name "ripple"
  Lighting no
  Fragment {
    Enable yes
    Name "ripple"
  }
}
