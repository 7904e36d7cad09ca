; demo.shader -- the show's images, GPU programs and shaders. The procedural pictures are made by
; "qv3rn-tool textures", the font by "qv3rn-tool font", the text pictures by "qv3rn-tool textfade".

Include "data\shader\images.shader"
Include "data\shader\programs.shader"
Include "data\shader\lighting.shader"
Include "data\shader\verse.shader"
Include "data\shader\chorus.shader"
Include "data\shader\break.shader"
Include "data\shader\final.shader"

; Additive sprites: lens flares and the fire sprite.
Shader {
  Info "additive sprite, no lighting, no culling, no depth writes"
  Name "sprite_additive"
  Lighting no
  Cull {
    Enable no
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

; The tunnel's wall: plasma scrolled by the tunnel itself, fading into black fog down the tube. Seen from
; inside, so both faces are drawn.
Shader {
  Info "tunnel wall in black fog"
  Name "tunnel_wall"
  Lighting no
  Cull {
    Enable no
  }
  Fog {
    Enable yes
    Function LINEAR
    Start 5
    End 85
    Color 0 0 0 1
  }
  Texture {
    TexUnit UNIT0
    Image "plasma.jpg"
  }
}
