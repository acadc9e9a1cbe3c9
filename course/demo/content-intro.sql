-- The introduction (screen 0): a background with a bezelled screen, and the welcome video
-- playing in that screen's 320 x 240 frame. Both are made by media-intro.txt.
insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo) values
  (0, 1, 0, 0,   0,   0,   0,   'fondos\intro.bmp'),
  (0, 3, 0, 160, 110, 320, 240, 'video\intro.avi');

-- The introduction has its own voice and no background; leaving it plays the change sound.
insert into sonidospantalla (codigopantalla, leccion, fondo, pulsacion, cambiopantalla) values
  (0, 0, null, 'sonidos\click.wav', 'sonidos\cambio.wav');
