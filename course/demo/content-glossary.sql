-- The glossary (screen 8): a window of its own size over the screen it was opened from,
-- two term lists with their entry boxes, the letter index and two captions. Its close
-- button is drawn by the player; the lit look comes from media-glossary.txt.
insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont) values
  (8, 1, 0, 0, 0, 420, 340, null, null, '236232220', 0, null, null),
  (8, 5, 0, 398, 4, 0, 0, null, 'botones\glos_cerrar_luz.bmp', null, 0, null, null),
  (8, 6, 1, 12, 84, 190, 210, 'botones\glos_reposo.bmp', 'botones\glos_activo.bmp', '255255255', 0, 'DejaVu Sans', 9),
  (8, 6, 2, 218, 84, 190, 210, 'botones\glos_reposo.bmp', 'botones\glos_activo.bmp', '255255255', 0, 'DejaVu Sans', 9),
  (8, 9, 0, 12, 306, 0, 0, null, null, '180040040', 0, 'DejaVu Sans', 8),
  (8, 15, 1, 12, 56, 190, 22, null, null, '255255230', 0, 'DejaVu Sans', 9),
  (8, 15, 2, 218, 56, 190, 22, null, null, '255255230', 0, 'DejaVu Sans', 9),
  (8, 20, 1, 12, 6, 380, 24, 'Glosario', null, '060090150', 0, 'DejaVu Sans', 12),
  (8, 20, 2, 12, 36, 190, 18, 'Español', null, '040040040', 0, 'DejaVu Sans', 9),
  (8, 20, 3, 218, 36, 190, 18, 'Inglés', null, '040040040', 0, 'DejaVu Sans', 9);

-- The words of the demo lessons, written by hand; media-glossary.txt adds the FreeDict
-- dictionaries, which reuse these terms. "casa" gets "home" here and "house" there;
-- "ñandú" has no translation; "o'clock" carries an apostrophe.
insert into glosesp (id_esp, termino) values
  (1, 'casa'), (2, 'árbol'), (3, 'ñandú'), (4, 'mañana'), (5, 'en punto'), (6, 'montaña'), (7, 'canción'), (8, 'lección');
insert into glosing (id_ing, termino) values
  (1, 'home'), (2, 'tree'), (3, 'morning'), (4, 'o''clock'), (5, 'mountain'), (6, 'song'), (7, 'lesson');
insert into glosario (id_esp, id_ing) values
  (1, 1), (2, 2), (4, 3), (5, 4), (6, 5), (7, 6), (8, 7);
