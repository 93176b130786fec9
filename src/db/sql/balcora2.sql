-- Balcora PDV - later changes to the data model.
--
-- balcora1.sql and this file share cfg.seqatual, so the blocks here are
-- numbered from 1001 up, above every block of balcora1.sql. Add a new block
-- for each change; never renumber or edit a block that has shipped. Each
-- block is one batch and must be safe to run again.

--SEQ 1001 describe the bookkeeping table
COMMENT ON TABLE balcora.cfg IS 'Schema scripts applied: last block (seqatual) and the stamp of each script file (dataatual1, dataatual2).';
--RUN--

--SEQ 1002 operators and their rights per procedure
-- Passwords are never stored: only a PBKDF2-HMAC-SHA256 digest, its random
-- salt and the iteration count it was made with (hexadecimal texts), so the
-- count can be raised later without invalidating older passwords.
CREATE TABLE IF NOT EXISTS balcora.operador (
    id_operador serial,
    login varchar(20) NOT NULL,
    nome varchar(60) NOT NULL DEFAULT '',
    senha_hash varchar(128) NOT NULL,
    senha_sal varchar(64) NOT NULL,
    senha_iteracoes integer NOT NULL,
    ativo smallint NOT NULL DEFAULT 1,
    administrador smallint NOT NULL DEFAULT 0,
    criado timestamp without time zone DEFAULT now(),
    alterado timestamp without time zone DEFAULT now(),
    CONSTRAINT pk_operador PRIMARY KEY (id_operador)
);
CREATE UNIQUE INDEX IF NOT EXISTS operador_keylogin ON balcora.operador (lower(login));

-- Bits per procedure name: 1 = access, 2 = supervisor. An administrator
-- holds every right without rows here.
CREATE TABLE IF NOT EXISTS balcora.direito (
    id_operador integer NOT NULL,
    procedimento varchar(40) NOT NULL,
    bits smallint NOT NULL DEFAULT 0,
    CONSTRAINT fk_direito_operador FOREIGN KEY (id_operador)
        REFERENCES balcora.operador (id_operador) ON DELETE CASCADE
);
CREATE UNIQUE INDEX IF NOT EXISTS direito_keyprocedimento
    ON balcora.direito (id_operador, lower(procedimento));
--RUN--

--SEQ 1003 accent- and case-blind searches of products and customers
-- The server's own to_ascii() converts only from single-byte encodings and
-- fails on a UTF-8 database, so the searches fold their texts with
-- balcora.to_ascii: unaccent's rules when the server offers the extension
-- (fast), else a table of the Latin letters. Both are declared immutable so
-- the folded names can be indexed; replacing the function later means
-- rebuilding the indexes on it. An extension that cannot be created (contrib
-- not installed, no right to create it) only costs speed, never the block.
DO $$
DECLARE
    s text;
BEGIN
    BEGIN
        CREATE EXTENSION IF NOT EXISTS unaccent WITH SCHEMA public;
    EXCEPTION WHEN others THEN
        NULL;
    END;
    SELECT n.nspname INTO s FROM pg_extension e JOIN pg_namespace n ON n.oid = e.extnamespace
     WHERE e.extname = 'unaccent';
    IF s IS NOT NULL THEN
        EXECUTE format('CREATE OR REPLACE FUNCTION balcora.to_ascii(text) RETURNS text '
                       'LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS %L',
                       format('SELECT %I.unaccent(%L::regdictionary, $1)', s,
                              quote_ident(s) || '.unaccent'));
    ELSE
        CREATE OR REPLACE FUNCTION balcora.to_ascii(text) RETURNS text
        LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $f$
        SELECT replace(replace(replace(replace(replace(replace(replace(replace(replace(
            translate($1,
                'ªºÀÁÂÃÄÅÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝàáâãäåçèéêëìíîïðñòóôõöøùúûüýÿĀ' ||
                'āĂăĄąĆćĈĉĊċČčĎďĐđĒēĔĕĖėĘęĚěĜĝĞğĠġĢģĤĥĦħĨĩĪīĬĭĮįİıĴĵĶķĸĹĺĻļĽľ' ||
                'ĿŀŁłŃńŅņŇňŉŊŋŌōŎŏŐőŔŕŖŗŘřŚśŜŝŞşŠšŢţŤťŦŧŨũŪūŬŭŮůŰűŲųŴŵŶŷŸŹźŻż' ||
                'Žžſ',
                'aoAAAAAACEEEEIIIIDNOOOOOOUUUUYaaaaaaceeeeiiiidnoooooouuuuyyA' ||
                'aAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiJjKkkLlLlLl' ||
                'LlLlNnNnNnnNnOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZz' ||
                'Zzs'),
            'Æ', 'AE'), 'æ', 'ae'), 'Œ', 'OE'), 'œ', 'oe'), 'ß', 'ss'),
            'Þ', 'TH'), 'þ', 'th'), 'Ĳ', 'IJ'), 'ĳ', 'ij')
        $f$;
    END IF;
END $$;

-- The lists run in the order of the folded name or reference, so the rows
-- that begin with what was typed lie together and one index range serves
-- both the prefix search and the order (collation "C" lets LIKE use it).
-- Plain indexes serve the exact code searches and the lists by code.
CREATE INDEX IF NOT EXISTS produto_keybusca_nome
    ON balcora.produto ((upper(balcora.to_ascii(descricao))) COLLATE "C", id_produto);
CREATE INDEX IF NOT EXISTS produto_keybusca_refer
    ON balcora.produto ((upper(balcora.to_ascii(refer))) COLLATE "C", id_produto);
CREATE INDEX IF NOT EXISTS produto_keycodigo_busca ON balcora.produto (codigo, id_produto);
CREATE INDEX IF NOT EXISTS produto_keycodigo_barras_busca
    ON balcora.produto (codigo_barras, id_produto);
CREATE INDEX IF NOT EXISTS cliente_keybusca_razao
    ON balcora.cliente ((upper(balcora.to_ascii(razao))) COLLATE "C", id_cliente);
CREATE INDEX IF NOT EXISTS cliente_keybusca_nome
    ON balcora.cliente ((upper(balcora.to_ascii(nome))) COLLATE "C");

-- "%word" searches look inside the texts: trigram indexes when pg_trgm can be
-- had, else those searches walk the table.
DO $$
DECLARE
    s text;
BEGIN
    BEGIN
        CREATE EXTENSION IF NOT EXISTS pg_trgm WITH SCHEMA public;
    EXCEPTION WHEN others THEN
        NULL;
    END;
    SELECT n.nspname INTO s FROM pg_extension e JOIN pg_namespace n ON n.oid = e.extnamespace
     WHERE e.extname = 'pg_trgm';
    IF s IS NOT NULL THEN
        EXECUTE format('CREATE INDEX IF NOT EXISTS produto_keybusca_nome_trgm ON balcora.produto '
                       'USING gin (upper(balcora.to_ascii(descricao)) %I.gin_trgm_ops)', s);
        EXECUTE format('CREATE INDEX IF NOT EXISTS produto_keybusca_refer_trgm ON balcora.produto '
                       'USING gin (upper(balcora.to_ascii(refer)) %I.gin_trgm_ops)', s);
    END IF;
END $$;
ANALYZE balcora.produto;
ANALYZE balcora.cliente;
--RUN--

--SEQ 1004 failed sign-ins per computer
-- The sign-in allows three tries; the count and the time of the last failure
-- are kept here so that closing and starting the program again does not
-- give three more before the lock-out window has passed.
CREATE TABLE IF NOT EXISTS balcora.tentativa_acesso (
    nome_cpd varchar(40) NOT NULL,
    tentativas integer NOT NULL DEFAULT 0,
    ultima timestamp without time zone NOT NULL,
    CONSTRAINT pk_tentativa_acesso PRIMARY KEY (nome_cpd)
);
--RUN--

--SEQ 1005 payments stored with a digest of their every column
-- Payment rows were written with num_coo_cf and num_gnf left NULL, which
-- the payment digest concatenates, so their digest came out NULL and proved
-- nothing. Those counters mean "none" as 0; the rows that never had a
-- digest get the one of their (unchanged) content now.
UPDATE balcora.cfiscalfp SET num_coo_cf = 0 WHERE num_coo_cf IS NULL;
UPDATE balcora.cfiscalfp SET num_gnf = 0 WHERE num_gnf IS NULL;
UPDATE balcora.cfiscalfp SET num_coo = 0 WHERE num_coo IS NULL;
UPDATE balcora.cfiscalfp SET hash = MD5(id_cfiscal::text||num_coo::text||num_coo_cf::text||num_gnf::text||(SELECT numero::text||num_ccf::text FROM balcora.cfiscal WHERE id_cfiscal=balcora.cfiscalfp.id_cfiscal)||valor::text||tipo)
 WHERE hash IS NULL;
--RUN--

--SEQ 1006 record hashes sealed on insert only
-- A trigger that sealed every UPDATE re-sealed a Z reduction or an invoice
-- changed by hand, so the check could never see it. The database now seals a
-- row only when it is inserted; whoever updates a hashed column afterwards
-- (the program, the printer driver, the import) stores the hash in the same
-- transaction, and an update made outside them leaves the hash stale.
DROP TRIGGER IF EXISTS maqecf_hash ON balcora.maqecf;
CREATE TRIGGER maqecf_hash BEFORE INSERT ON balcora.maqecf FOR EACH ROW EXECUTE PROCEDURE balcora.maqecf_hash();
DROP TRIGGER IF EXISTS reg60m_hash ON balcora.reg60m;
CREATE TRIGGER reg60m_hash BEFORE INSERT ON balcora.reg60m FOR EACH ROW EXECUTE PROCEDURE balcora.reg60m_hash();
DROP TRIGGER IF EXISTS reg60a_hash ON balcora.reg60a;
CREATE TRIGGER reg60a_hash BEFORE INSERT ON balcora.reg60a FOR EACH ROW EXECUTE PROCEDURE balcora.reg60a_hash();
DROP TRIGGER IF EXISTS nf_hash ON balcora.nf;
CREATE TRIGGER nf_hash BEFORE INSERT ON balcora.nf FOR EACH ROW EXECUTE PROCEDURE balcora.nf_hash();
DROP TRIGGER IF EXISTS nfdet_hash ON balcora.nfdet;
CREATE TRIGGER nfdet_hash BEFORE INSERT ON balcora.nfdet FOR EACH ROW EXECUTE PROCEDURE balcora.nfdet_hash();
-- The developer identification likewise: sealed when a part is inserted; the
-- program seals what it changes, and a part changed or removed by hand leaves
-- the stored "hash" setting behind.
DROP TRIGGER IF EXISTS registro_desenvolvedor_upd ON balcora.registro;
DROP TRIGGER IF EXISTS registro_desenvolvedor_del ON balcora.registro;

-- The open day's reduction row used to be created with no emission date or
-- time, so its digest was NULL and a mid-day file showed it as tampered. A
-- day not yet reduced holds the cleared values (day 0, midnight) instead;
-- only the rows given them here, which never had a digest, are sealed.
UPDATE balcora.reg60m SET dt_emissao='1800-12-28' WHERE dt_emissao IS NULL AND hash IS NULL;
UPDATE balcora.reg60m SET hr_emissao='00:00:00' WHERE hr_emissao IS NULL AND hash IS NULL;
UPDATE balcora.reg60m SET hash=MD5(id_maqecf::text||data||num_cont_red_z||num_coo||num_cont_reinicio||data||dt_emissao||hr_emissao||vl_venda_bruta)
 WHERE hash IS NULL AND dt_emissao='1800-12-28';
-- The same for a company row imported without its stock date.
UPDATE balcora.empresa SET dt_estoque='1800-12-28' WHERE dt_estoque IS NULL AND hash IS NULL;
UPDATE balcora.empresa SET hr_estoque='00:00:00' WHERE hr_estoque IS NULL AND hash IS NULL;
UPDATE balcora.empresa SET hash=MD5(cnpj||dt_estoque||hr_estoque)
 WHERE hash IS NULL AND dt_estoque='1800-12-28';
--RUN--
