-- The content database (bbm.mdb): the course's screens, lessons and media, read-only
-- while the course plays. Column names are those the screens read; columns are read
-- by name, so their order does not matter.

-- One row per object of a screen.
create table pantalla (
  codigo          integer not null,   -- screen number
  objeto          integer not null,   -- kind of object
  identificativo  integer default 0,  -- sub-selector within a kind
  X               real default 0,
  Y               real default 0,
  ancho           real default 0,
  alto            real default 0,
  bitmapreposo    text,               -- picture at rest, or a nine-digit colour
  bitmapactivable text,               -- picture of a usable object (a button's lit look)
  bitmapactivo    text,               -- picture of the active state, or a nine-digit colour
  accion          integer default 0,  -- what a click on a button does
  Font            text,
  tamanofont      real,
  colorfont       integer default 0,  -- 0 black, otherwise white; the help overlay's key
  bitmapgrande    text                -- large picture of the big-picture screen
);
-- The help overlay looks its row up by (screen, object).
create index ayuda on pantalla (codigo, objeto);

-- One row per lesson; tipo is the number of the screen that presents it.
create table lecciones (
  N_leccion        integer primary key,
  N_capitulo       integer default 0,
  nombre_leccion   text,
  tipo             integer not null,
  nombre_fichero1  text,
  nombre_fichero2  text,
  N_leccion_viene  integer default 0,  -- the lesson this one is reached from; 0 none
  N_capitulo_viene integer default 0,  -- the chapter of that map it is listed under
  codigo_wav       integer,            -- a carousel's picture sequence
  X                real,               -- where a video screen places its video
  Y                real,
  presentacion     integer default 0   -- a conversation video opens with an introduction
);

-- The three sounds of a screen; leccion only counts on the main map.
create table sonidospantalla (
  codigopantalla integer not null,
  leccion        integer default 0,
  fondo          text,
  pulsacion      text,
  cambiopantalla text
);

-- Actions switched off for a lesson.
create table exclusiones (
  accion  integer not null,
  leccion integer not null
);

-- The regions of a map lesson: a mask colour, its chapter and its highlight picture.
create table mapa_sensible (
  N_leccion        integer not null,
  R                integer not null,
  g                integer not null,
  b                integer not null,
  N_capitulo       integer not null,
  bitmap_activable text,
  X                real default 0,
  Y                real default 0
);

-- Chapter names of each map lesson (read through the saved query "capitulos").
create table capitulo (
  n_leccion       integer not null,
  N_capitulo      integer not null,
  nombre_capitulo text
);

-- Picture sequences of carousel sounds: which picture enters at which millisecond.
create table wavcarrusel (
  codigo       integer not null,       -- sequence number, lecciones.codigo_wav
  codigoimagen integer not null,
  segundo      real not null,          -- entry time in milliseconds, despite its name
  X            real default 0,
  Y            real default 0
);

-- The picture catalogue of the sequences.
create table carrusel (
  codigoimagen integer primary key,
  ficheroimagen text not null
);

-- Information cards and photo-text cards.
create table informacion (
  nombre_epigrafe  text,
  texto_epigrafe   text,               -- inline text; Null when the card is a file
  fichero_epigrafe text,
  nombre_fichero1  text,               -- the card's sound
  cod_wav_epigrafe integer,            -- the card's picture sequence
  bitmap_epigrafe  text                -- the photograph of a photo-text card
);

create table ficha_fototextual (
  n_leccion        integer not null,
  fichero_epigrafe text not null
);

-- Picture cards.
create table fichas (
  N_leccion    integer not null,
  cod_ficha    integer not null,
  nombre_ficha text,
  bitmap_ficha text
);

-- Phrases of a conversation video.
create table video_apren (
  n_leccion integer not null,
  mseg      integer not null,          -- start of the phrase in the video, milliseconds
  frase_en  text,
  frase_sp  text
);

-- The bilingual glossary: terms of each language and the translations between them.
-- Terms read in the order a Spanish reader expects (accents and case second, "ñ" after
-- "n"); the indexes give the term lists in that order without sorting at every load.
create table glosesp (
  id_esp  integer primary key,
  termino text not null collate espanol
);
create index glosesp_termino on glosesp (termino);
create table glosing (
  id_ing  integer primary key,
  termino text not null collate espanol
);
create index glosing_termino on glosing (termino);
create table glosario (
  id_esp integer not null references glosesp (id_esp),
  id_ing integer not null references glosing (id_ing)
);
-- A translation is recorded once; both lookups go through an index.
create unique index glosario_par on glosario (id_esp, id_ing);
create index glosario_ing on glosario (id_ing);

-- Test questions; the points each of the four answers earns.
create table test (
  n_leccion            integer not null,
  textopregunta        text,
  textorespuesta1      text,
  textorespuesta2      text,
  textorespuesta3      text,
  puntuacionrespuesta1 integer default 0,
  puntuacionrespuesta2 integer default 0,
  puntuacionrespuesta3 integer default 0,
  puntuacionrespuesta4 integer default 0
);
