-- The learners' records of a classroom on a PostgreSQL server (15 or later).
--
-- Run as the owner of the database the players will use (who must be allowed to create
-- roles), for instance:
--     createdb tamsel
--     psql -d tamsel -v ON_ERROR_STOP=1 -f /usr/share/tamsel/classroom.sql
-- Running it again changes nothing that is already there. On a server set up by an
-- earlier version it adds what that one lacks; rows kept there before courses were told
-- apart belong to the course named with -v curso=IDENTIFICADOR (asked for only when there
-- are such rows).
--
-- Two group roles are made: tamsel_alumno (learners) and tamsel_profesor (teachers).
-- Each learner logs in as himself, a role that is a member of tamsel_alumno:
--     create role ana login in role tamsel_alumno;
-- and reads and writes only rows under his own login; a teacher's login, a member of
-- tamsel_profesor, reads everyone's and writes nothing. Which rows are a learner's is
-- decided by the server (the login, session_user, which SET ROLE does not change), never
-- by what a player sends; the values a player sends are checked here too.
--
-- Every row names its course (curso): several courses may share one database.

begin;

\if :{?curso}
select set_config('tamsel.curso_anterior', :'curso', true) as curso_anterior \gset
\endif

do $$
begin
  if not exists (select from pg_roles where rolname = 'tamsel_alumno') then
    create role tamsel_alumno nologin;
  end if;
  if not exists (select from pg_roles where rolname = 'tamsel_profesor') then
    create role tamsel_profesor nologin;
  end if;
end
$$;

create schema if not exists tamsel;
revoke all on schema tamsel from public;
grant usage on schema tamsel to tamsel_alumno, tamsel_profesor;

-- Lessons of the video-learning screen a learner has visited: one row per learner, course
-- and lesson, dated by its latest visit.
-- (The course comes last, where a server set up before courses were told apart has it too.)
create table if not exists tamsel.lecciones_usuario (
  alumno  text        not null default session_user,
  leccion integer     not null,
  fecha   timestamptz not null default now(),  -- the latest visit (the server's time when the player sends none)
  curso   text        not null,
  primary key (alumno, curso, leccion)
);

-- Finished test attempts: one row per attempt, under the id the player gave it.
create table if not exists tamsel.intentos_test (
  id         uuid        not null,
  alumno     text        not null default session_user,
  leccion    integer     not null,
  fecha      timestamptz not null,  -- when the learner finished it
  puntos     integer     not null,
  maximo     integer     not null,
  porcentaje integer     not null,  -- whole per cent, as the test's result view shows it
  respuestas text        not null,  -- the answer chosen on each question: "1,3,0,4" (0: none)
  curso      text        not null,
  primary key (alumno, curso, id)
);

-- A learner's erases of his work in a course: each removes his visits and attempts older
-- than its time (hasta), and keeps out any that arrive later but are older still. Work
-- done after the erase, on this computer or another, stays, whenever the erase arrives.
create table if not exists tamsel.borrados (
  alumno text        not null default session_user,
  curso  text        not null,
  hasta  timestamptz not null,  -- when the learner erased
  primary key (alumno, curso, hasta)
);

-- A server set up before courses were told apart: its rows get the course named by -v curso.
do $$
declare
  given text := nullif(current_setting('tamsel.curso_anterior', true), '');
  t text;
  rows bigint;
begin
  foreach t in array array['lecciones_usuario', 'intentos_test'] loop
    continue when exists (select from information_schema.columns
                          where table_schema = 'tamsel' and table_name = t and column_name = 'curso');
    execute format('select count(*) from tamsel.%I', t) into rows;
    if rows > 0 and given is null then
      raise exception 'tamsel.% guarda % filas de antes de que los cursos se distinguieran, y no se sabe de qué curso son', t, rows
        using hint = 'Ejecute classroom.sql con -v curso=IDENTIFICADOR, el identificador del curso al que pertenecen.';
    end if;
    execute format('alter table tamsel.%I add column curso text', t);
    execute format('update tamsel.%I set curso = $1', t) using given;
    execute format('alter table tamsel.%I alter column curso set not null', t);
    execute format('alter table tamsel.%I drop constraint %I', t, t || '_pkey');
    execute format('alter table tamsel.%I add primary key (alumno, curso, %s)', t,
                   case t when 'intentos_test' then 'id' else 'leccion' end);
  end loop;
end
$$;
drop index if exists tamsel.intentos_test_alumno;
alter table tamsel.lecciones_usuario alter column alumno set default session_user;
alter table tamsel.intentos_test alter column alumno set default session_user;

-- What a player may send. Rows an earlier version kept unchecked stay (the check then holds
-- for new rows only, and the notice names the table).
do $$
declare
  c record;
begin
  for c in
    select * from (values
      ('lecciones_usuario', 'lecciones_usuario_curso', 'curso <> '''' and length(curso) <= 200'),
      ('lecciones_usuario', 'lecciones_usuario_leccion', 'leccion between 0 and 32767'),
      ('lecciones_usuario', 'lecciones_usuario_fecha', 'fecha <= now() + interval ''5 minutes'''),
      -- A date of no calendar (-infinity, 4713 BC) would stand as the latest activity, and
      -- as an erase would keep everything out: none before this classroom could be.
      ('lecciones_usuario', 'lecciones_usuario_fecha_desde', 'isfinite(fecha) and fecha >= ''2000-01-01 00:00:00+00'''),
      ('intentos_test', 'intentos_test_curso', 'curso <> '''' and length(curso) <= 200'),
      ('intentos_test', 'intentos_test_leccion', 'leccion between 0 and 32767'),
      ('intentos_test', 'intentos_test_fecha', 'fecha <= now() + interval ''5 minutes'''),
      ('intentos_test', 'intentos_test_fecha_desde', 'isfinite(fecha) and fecha >= ''2000-01-01 00:00:00+00'''),
      ('intentos_test', 'intentos_test_puntos', 'puntos >= 0 and maximo >= 0'),
      -- As the test screen works it out; above 100 when the course's maximum leaves out a right answer.
      ('intentos_test', 'intentos_test_porcentaje',
       'porcentaje = case when maximo = 0 then 0 else (puntos::bigint * 100 / maximo)::integer end'),
      ('intentos_test', 'intentos_test_respuestas', 'respuestas ~ ''^[0-9]{1,4}(,[0-9]{1,4})*$'' and length(respuestas) <= 5000'),
      ('borrados', 'borrados_curso', 'curso <> '''' and length(curso) <= 200'),
      ('borrados', 'borrados_hasta', 'hasta <= now() + interval ''5 minutes'''),
      ('borrados', 'borrados_hasta_desde', 'isfinite(hasta) and hasta >= ''2000-01-01 00:00:00+00''')
    ) as v(tbl, name, expr)
  loop
    continue when exists (select from pg_constraint where conname = c.name and conrelid = format('tamsel.%I', c.tbl)::regclass);
    execute format('alter table tamsel.%I add constraint %I check (%s) not valid', c.tbl, c.name, c.expr);
    begin
      execute format('alter table tamsel.%I validate constraint %I', c.tbl, c.name);
    exception when check_violation then
      raise notice 'tamsel.%: filas anteriores no cumplen % (se conservan; las nuevas se comprueban)', c.tbl, c.name;
    end;
  end loop;
end
$$;

-- A visit or attempt older than an erase of that learner's work in that course is left
-- out; a visit already kept only moves its date on. Both run as the learner, under his
-- row-level security.
-- Writes and erases of one learner in one course take turns (a lock held to the end of
-- the transaction, taken before either looks): otherwise a visit and an erase in flight
-- at once, neither seeing the other's row, would let the older visit stay; and two
-- visits of one lesson at once would keep the first one's date.
create or replace function tamsel.por_turno(alumno text, curso text) returns void
  language sql set search_path = pg_catalog, pg_temp as $$
  select pg_advisory_xact_lock(hashtext('tamsel.' || alumno), hashtext(curso))
$$;

create or replace function tamsel.antes_de_guardar() returns trigger
  language plpgsql set search_path = pg_catalog, pg_temp as $$
begin
  perform tamsel.por_turno(new.alumno, new.curso);
  if exists (select from tamsel.borrados b
             where b.alumno = new.alumno and b.curso = new.curso and b.hasta > new.fecha) then
    return null;
  end if;
  if tg_table_name = 'lecciones_usuario' then
    update tamsel.lecciones_usuario v set fecha = greatest(v.fecha, new.fecha)
      where v.alumno = new.alumno and v.curso = new.curso and v.leccion = new.leccion;
    if found then
      return null;
    end if;
  end if;
  return new;
end
$$;
create or replace trigger antes_de_guardar before insert on tamsel.lecciones_usuario
  for each row execute function tamsel.antes_de_guardar();
create or replace trigger antes_de_guardar before insert on tamsel.intentos_test
  for each row execute function tamsel.antes_de_guardar();

create or replace function tamsel.tras_borrado() returns trigger
  language plpgsql set search_path = pg_catalog, pg_temp as $$
begin
  perform tamsel.por_turno(new.alumno, new.curso);
  delete from tamsel.lecciones_usuario where alumno = new.alumno and curso = new.curso and fecha < new.hasta;
  delete from tamsel.intentos_test where alumno = new.alumno and curso = new.curso and fecha < new.hasta;
  return null;
end
$$;
create or replace trigger tras_borrado after insert on tamsel.borrados
  for each row execute function tamsel.tras_borrado();

alter table tamsel.lecciones_usuario enable row level security;
alter table tamsel.intentos_test enable row level security;
alter table tamsel.borrados enable row level security;

-- A learner's rows are those under his login: SET ROLE tamsel_alumno (or any other role)
-- writes nothing under another name.
drop policy if exists alumno_propias on tamsel.lecciones_usuario;
create policy alumno_propias on tamsel.lecciones_usuario for all to tamsel_alumno
  using (alumno = session_user) with check (alumno = session_user);
drop policy if exists profesor_lee on tamsel.lecciones_usuario;
create policy profesor_lee on tamsel.lecciones_usuario for select to tamsel_profesor using (true);

drop policy if exists alumno_propios on tamsel.intentos_test;
create policy alumno_propios on tamsel.intentos_test for all to tamsel_alumno
  using (alumno = session_user) with check (alumno = session_user);
drop policy if exists profesor_lee on tamsel.intentos_test;
create policy profesor_lee on tamsel.intentos_test for select to tamsel_profesor using (true);

drop policy if exists alumno_propios on tamsel.borrados;
create policy alumno_propios on tamsel.borrados for all to tamsel_alumno
  using (alumno = session_user) with check (alumno = session_user);
drop policy if exists profesor_lee on tamsel.borrados;
create policy profesor_lee on tamsel.borrados for select to tamsel_profesor using (true);

revoke all on tamsel.lecciones_usuario, tamsel.intentos_test, tamsel.borrados from public;
revoke all on function tamsel.antes_de_guardar(), tamsel.tras_borrado(), tamsel.por_turno(text, text) from public;
grant execute on function tamsel.por_turno(text, text) to tamsel_alumno;
grant select, insert, delete on tamsel.lecciones_usuario, tamsel.intentos_test to tamsel_alumno;
grant update (fecha) on tamsel.lecciones_usuario to tamsel_alumno;
grant select, insert on tamsel.borrados to tamsel_alumno;
grant select on tamsel.lecciones_usuario, tamsel.intentos_test, tamsel.borrados to tamsel_profesor;

commit;
