-- Saved queries of the content database. Each block is one query: its name after
-- "-- query:", then its SQL, which may use one named parameter.

-- query: consultacft
-- The timed picture sequence of one sound, in order of entry.
select w.codigo as Codigo, w.codigoimagen, c.ficheroimagen, w.segundo, w.X, w.Y
  from wavcarrusel w join carrusel c on c.codigoimagen = w.codigoimagen
 where w.codigo = :codigol
 order by w.segundo, w.rowid

-- query: nombrenodoraiz
-- Map lessons that head a branch of the course tree; lesson 1 is the root. A map comes
-- after the map it is reached from, whatever their numbers, because the tree makes a
-- sub-map's node among its parent's lessons before it fills it. Maps that cannot be
-- reached from the root come last.
with recursive rama (N_leccion, nivel) as (
  select N_leccion, 0 from lecciones where N_leccion = 1 and tipo = 1
  union
  select l.N_leccion, r.nivel + 1
    from lecciones l join rama r on l.N_leccion_viene = r.N_leccion
   where l.tipo = 1 and r.nivel < 64
)
select m.N_leccion, m.nombre_leccion
  from lecciones m
  left join (select N_leccion, min(nivel) as nivel from rama group by N_leccion) r on r.N_leccion = m.N_leccion
 where m.tipo = 1
 order by coalesce(r.nivel, 65), m.N_leccion

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
