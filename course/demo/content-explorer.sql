-- The explorer (screen 10): a window of its own size floating over the screen it was
-- opened from, with a title, a close button and the tree of the whole course. The
-- pictures are made by media-explorer.txt; the window recipe's well and close button
-- are the tree's and the buttons' places here.

-- The window: its picture and size.
insert into pantalla (codigo, objeto, X, Y, ancho, alto, bitmapreposo) values
  (10, 1, 0, 0, 340, 400, 'fondos\explorador.bmp');

-- Buttons: element 0 the close button, element 1 its lit look shown over it.
insert into pantalla (codigo, objeto, X, Y, bitmapreposo, bitmapactivable, accion) values
  (10, 5, 302, 10, 'botones\exp_cerrar.bmp',     'botones\exp_cerrar.bmp',     0),
  (10, 5, 302, 10, 'botones\exp_cerrar_luz.bmp', 'botones\exp_cerrar_luz.bmp', 0);

-- One icon per lesson kind: the kind in bitmapactivable, the icon in bitmapreposo.
insert into pantalla (codigo, objeto, bitmapreposo, bitmapactivable) values
  (10, 12, 'iconos\video.ico',        '3'),
  (10, 12, 'iconos\carrusel.ico',     '4'),
  (10, 12, 'iconos\fichas.ico',       '5'),
  (10, 12, 'iconos\informacion.ico',  '6'),
  (10, 12, 'iconos\fototexto.ico',    '7'),
  (10, 12, 'iconos\conversacion.ico', '12'),
  (10, 12, 'iconos\prueba.ico',       '14');

-- The tree in the window's white well; maps show "x1", chapters the second icon.
insert into pantalla (codigo, objeto, X, Y, ancho, alto, bitmapreposo, bitmapactivable, Font, tamanofont) values
  (10, 16, 14, 48, 312, 338, 'iconos\mapa.ico', 'iconos\capitulo.ico', 'DejaVu Sans', 9);

-- The title: its caption, and a nine-digit background colour (a light parchment).
insert into pantalla (codigo, objeto, X, Y, ancho, alto, bitmapreposo, bitmapactivo, Font, tamanofont, colorfont) values
  (10, 20, 14, 12, 276, 26, 'Explorador del curso', '244228196', 'DejaVu Sans', 12, 0);
