-- Saved queries of the content database. Each block is one query: its name after
-- "-- query:", then its SQL, which may use one named parameter.

-- query: consultacft
-- The timed picture sequence of one sound, in order of entry.
select w.codigo as Codigo, w.codigoimagen, c.ficheroimagen, w.segundo, w.X, w.Y
  from wavcarrusel w join carrusel c on c.codigoimagen = w.codigoimagen
 where w.codigo = :codigol
 order by w.segundo, w.rowid

-- query: nombrenodoraiz
-- Map lessons that head a branch of the course tree; lesson 1 is the root.
select N_leccion, nombre_leccion from lecciones where tipo = 1 order by N_leccion

-- query: capitulos
-- Chapters of every map.
select n_leccion, N_capitulo, nombre_capitulo from capitulo order by n_leccion, N_capitulo

-- query: clecciones
-- Lessons under the chapters of the maps.
select N_leccion_viene, N_capitulo_viene, N_leccion, nombre_leccion, tipo
  from lecciones
 where N_leccion_viene <> 0
 order by N_leccion_viene, N_capitulo_viene, N_leccion

-- query: consulta-esp-ing
-- English translations of one Spanish term.
select g.termino from glosario x join glosing g on g.id_ing = x.id_ing
 where x.id_esp = :codesp
 order by g.termino

-- query: consulta-ing-esp
-- Spanish translations of one English term.
select e.termino from glosario x join glosesp e on e.id_esp = x.id_esp
 where x.id_ing = :coding
 order by e.termino
